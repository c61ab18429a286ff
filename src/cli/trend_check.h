#pragma once
// The trend's share of one mount's answer in `check`: the sample kept, the
// state on the hours left, the words, the perfdata and the JSON.

#include <cstdint>
#include <optional>
#include <string>

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

// "'/var growth'=13851234567B;;;; '/var hours_left'=77.3;96;24;0;" (hours
// left "U" when the mount does not grow); empty without a fit.
std::string TrendPerfdata(const std::string& mount, const std::optional<Growth>& growth,
                          const HoursLeftLimits& limits);

// {"bytesPerDay":..,"hoursLeft":..|null,"samples":..}, or null without a fit.
std::string TrendJson(const std::optional<Growth>& growth);

}  // namespace tavrix::cli
