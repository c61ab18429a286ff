#include "cli/trend_text.h"

#include <array>
#include <cmath>

#include "support/numbers.h"

namespace tavrix::cli {

namespace {

std::string Counted(double amount, const char* one, const char* many) {
    const std::string figure = FormatOneDecimal(amount);
    return figure + " " + (figure == "1" ? one : many);
}

}  // namespace

State HoursLeftState(const Growth& growth, const HoursLeftLimits& limits) {
    if (!growth.hoursLeft) {
        return State::Ok;
    }
    if (limits.critical && *growth.hoursLeft < *limits.critical) {
        return State::Critical;
    }
    if (limits.warning && *growth.hoursLeft < *limits.warning) {
        return State::Warning;
    }
    return State::Ok;
}

std::string DurationText(double hours) {
    if (hours < 1) {
        return Counted(std::round(hours * 60), "minute", "minutes");
    }
    if (hours < 48) {
        return Counted(hours, "hour", "hours");
    }
    return Counted(hours / 24, "day", "days");
}

std::string ByteAmountText(double bytes) {
    static constexpr std::array<const char*, 7> kUnits = {"B", "KB", "MB", "GB", "TB", "PB", "EB"};
    std::size_t unit = 0;
    while (unit + 1 < kUnits.size() && std::abs(bytes) >= 1024) {
        bytes /= 1024;
        ++unit;
    }
    return FormatOneDecimal(bytes) + " " + kUnits[unit];
}

std::string HoursLeftText(const Growth& growth, const HoursLeftLimits& limits) {
    if (!growth.hoursLeft) {
        return {};
    }
    std::string text = "full in " + DurationText(*growth.hoursLeft) + " at " +
                       ByteAmountText(growth.bytesPerDay) + " a day";
    switch (HoursLeftState(growth, limits)) {
        case State::Critical:
            return text + "; below the critical of " + DurationText(*limits.critical);
        case State::Warning:
            return text + "; below the warning of " + DurationText(*limits.warning);
        default:
            return text;
    }
}

}  // namespace tavrix::cli
