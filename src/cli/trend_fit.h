#pragma once
// The growth of a mount's used space over the samples of earlier checks, and
// the time left until it is full at that growth.

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrix::cli {

// One check's figures of one mount; time in whole seconds of the wall clock
// (Unix time), bytes as whole numbers.
struct TrendSample {
    std::int64_t time = 0;
    double used = 0;
    double free = 0;
};

// Closer samples say more about df's rounding than about growth.
inline constexpr std::int64_t kMinTrendSpanSeconds = 5 * 60;

struct Growth {
    double bytesPerDay = 0;
    std::size_t samples = 0;
    // Set only while the mount grows: at `free` bytes left, the hours until
    // they are used up.
    std::optional<double> hoursLeft;
};

// A least-squares line through the samples (used bytes over time). nullopt
// with fewer than two samples or when they span less than
// kMinTrendSpanSeconds. A rise that the scatter of the samples could explain
// (under two standard errors) counts as steady: noise never alarms.
std::optional<Growth> FitGrowth(const std::vector<TrendSample>& samples, double freeNow);

}  // namespace tavrix::cli
