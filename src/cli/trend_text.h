#pragma once
// What the trend adds to a check's answer: the state on the hours left, and
// its words ("full in 3.2 days at 12.9 GB a day; below the warning of 4 days").

#include <optional>
#include <string>

#include "cli/check_report.h"
#include "cli/trend_fit.h"

namespace tavrix::cli {

// WARNING / CRITICAL when the mount is full in fewer hours than these.
struct HoursLeftLimits {
    std::optional<double> warning;
    std::optional<double> critical;
};

// OK unless the mount grows and fills before a limit; equal is enough.
State HoursLeftState(const Growth& growth, const HoursLeftLimits& limits);

// "40 minutes", "5.3 hours", "1 hour", "3.2 days".
std::string DurationText(double hours);
// Bytes in the largest binary unit that keeps a whole number in front:
// "12.9 GB", "512 B".
std::string ByteAmountText(double bytes);

// "full in 3.2 days at 12.9 GB a day", with "; below the warning of 4 days"
// when a limit is crossed; empty for a steady or shrinking mount.
std::string HoursLeftText(const Growth& growth, const HoursLeftLimits& limits);

}  // namespace tavrix::cli
