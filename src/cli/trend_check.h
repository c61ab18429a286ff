#pragma once
// The trend's share of one mount's answer in `check`: the sample kept, the
// state on the hours left, the words, the perfdata and the JSON.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/check_report.h"
#include "cli/trend_options.h"
#include "cli/trend_store.h"

namespace tavrix::cli {

struct MountTrend {
    std::optional<Growth> growth;  // nullopt until enough samples
    State state = State::Ok;
    std::string text;  // "full in 3.2 days at 12.9 GB a day"; empty: nothing to say
    std::string perfdata;
};

MountTrend TrendOfMount(const TrendStore& store, const TrendSettings& settings, const TrendKey& key,
                        const MountRecord& record, std::int32_t blockSize);

// The trend of one `check` run: the store, the window and limits, and the
// host, port and user that each mount's key starts with.
class TrendRun {
  public:
    TrendRun(TrendSettings settings, TrendKey login, WallClock clock = SystemWallClock);

    // Empty when the state directory can be used; otherwise the check's
    // UNKNOWN text.
    std::string Prepare() const { return store_.Prepare(); }

    // Keeps this check's sample of the report's mount and folds the time left
    // into the report: the worse state, the words after its note, the
    // perfdata and the JSON. A mount the listing lacks is left alone.
    void Apply(MountReport& report, std::int32_t blockSize) const;

    // The notes for the admin so far ("the trend of /var starts anew: ...").
    // They go to stderr after the plugin line: an engine that keeps stderr
    // with the output shows them as its long text, not as the status.
    std::vector<std::string> TakeNotes() const { return std::exchange(*notes_, {}); }

  private:
    std::shared_ptr<std::vector<std::string>> notes_ = std::make_shared<std::vector<std::string>>();
    TrendSettings settings_;
    TrendKey login_;
    TrendStore store_;
};

// With --state-dir: the trend of this host, port and user (from the
// parameter string), its directory made ready before the login. Failure with the UNKNOWN text when
// the directory cannot be used.
std::optional<TrendRun> TrendRunFor(const Arguments& args, const std::string& host,
                                    const std::string& parameters);

// "'/var growth'=13851234567B;;;; '/var hours_left'=77.3;96;24;0;" (hours
// left "U" when the mount does not grow); empty without a fit.
std::string TrendPerfdata(const std::string& mount, const std::optional<Growth>& growth,
                          const HoursLeftLimits& limits);

// {"bytesPerDay":..,"hoursLeft":..|null,"samples":..}, or null without a fit.
std::string TrendJson(const std::optional<Growth>& growth);

}  // namespace tavrix::cli
