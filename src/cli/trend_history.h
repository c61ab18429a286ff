#pragma once
// The samples kept for one mount between checks, and their file format:
//
//   tavrix-trend 1
//   key monitor@db1:22 /var
//   size 21474836480
//   s 1765170000 1234567168 20240269312      (time, used bytes, free bytes)
//   ...
//   end 3 9f0c2e61a4b3d805                   (samples, FNV-1a 64 of all above)
//
// The last line tells a truncated or damaged file from a whole one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/trend_fit.h"

namespace tavrix::cli {

inline constexpr int kTrendFormatVersion = 1;
// Enough for an even spread over any window; keeps a file near 10 KiB.
inline constexpr std::size_t kMaxTrendSamples = 200;

// Which check a history belongs to: one file per host, port, user and mount.
struct TrendKey {
    std::string host;
    int port = 22;
    std::string user;
    std::string mount;
};

struct TrendHistory {
    double size = 0;                   // bytes; a different size starts the history anew
    std::vector<TrendSample> samples;  // oldest first
};

// "monitor@db1:22 /var", control characters and "\" as \xNN.
std::string TrendKeyLine(const TrendKey& key);
// The file's name in the state directory: a hash of the key line, so that any
// mount name gives a short, safe name.
std::string TrendFileName(const TrendKey& key);

std::string EncodeTrend(const TrendKey& key, const TrendHistory& history);

// `problem` is empty for a sound file of this key; otherwise it says why the
// file cannot be used ("is empty", "is truncated", "belongs to another
// mount", ...) and the history is empty.
struct DecodedTrend {
    TrendHistory history;
    std::string problem;
};
DecodedTrend DecodeTrend(std::string_view text, const TrendKey& key);

// What adding a sample changed besides adding it.
struct SampleEffects {
    bool sizeChanged = false;
    std::size_t futureDropped = 0;  // the wall clock went back
};

// Adds the sample of `now` (its time): a changed size starts anew, samples
// later than now or older than the window go, a sample of the same second is
// replaced, and the rest is thinned evenly to at most `maxSamples`.
SampleEffects AddSample(TrendHistory& history, double size, const TrendSample& now,
                        std::int64_t windowSeconds, std::size_t maxSamples = kMaxTrendSamples);

// Removes inner samples, each time the one whose neighbours are closest, until
// at most `maxSamples` remain: the first and the last stay, the gaps even out
// whatever the check interval was.
void ThinEvenly(std::vector<TrendSample>& samples, std::size_t maxSamples);

}  // namespace tavrix::cli
