#include "cli/check_options.h"

#include <array>
#include <cmath>
#include <utility>

#include "cli/cli_settings.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

struct LimitText {
    std::optional<double> value;
    bool percent = false;
};

// "10" or "10%"; a percent must lie within 0 to 100.
LimitText ReadLimit(const Arguments& args, const std::string& name, const std::string& shown) {
    const auto value = args.Value(name);
    if (!value) {
        return {};
    }
    if (!value->empty() && value->back() == '%') {
        const double percent = StrictNumber(value->substr(0, value->size() - 1), shown);
        if (percent > 100) {
            throw UsageError(shown + " " + *value + " is more than 100% free");
        }
        return {percent, true};
    }
    return {StrictNumber(*value, shown), false};
}

}  // namespace

double StrictNumber(const std::string& value, const std::string& option) {
    const std::optional<double> number = ReadWholeNumber(value);
    if (number && std::isfinite(*number) && *number >= 0) {
        return *number;
    }
    std::string hint;
    if (const auto comma = value.find(','); comma != std::string::npos) {
        std::string withPoint = value;
        withPoint[comma] = '.';
        if (ReadWholeNumber(withPoint)) {
            hint = " (write " + withPoint + ": the decimal point is \".\")";
        }
    }
    throw UsageError(option + " must be a plain number of free units such as 10 or 2.5, not \"" +
                     value + "\"" + hint);
}

SpaceLimits LimitOptions(const Arguments& args) {
    const LimitText warning = ReadLimit(args, "--warning", "-w");
    const LimitText critical = ReadLimit(args, "--critical", "-c");
    if (warning.value && critical.value && warning.percent != critical.percent) {
        throw UsageError("-w and -c must both be free percent (such as 10%) or both free units");
    }
    return {{warning.value, critical.value}, warning.percent || critical.percent};
}

Limits InodeLimitOptions(const Arguments& args) {
    Limits limits;
    for (const auto& [name, shown, limit] : {std::tuple{"--iwarning", "-W", &limits.warning},
                                             std::tuple{"--icritical", "-K", &limits.critical}}) {
        const LimitText text = ReadLimit(args, name, shown);
        if (text.value && !text.percent) {
            throw UsageError(std::string(shown) + " is free inodes in percent: write " +
                             *args.Value(name) + "%");
        }
        *limit = text.value;
    }
    return limits;
}

std::optional<std::string> UnitOption(const Arguments& args) {
    const auto ours = args.Value("--unit");
    const auto theirs = args.Value("--units");
    if (ours && theirs) {
        throw UsageError("give --unit or -u, not both");
    }
    if (ours) {
        return UnitCodeOption(*ours);
    }
    if (!theirs) {
        return std::nullopt;
    }
    // check_disk's names where they mean one of ours; "%" is none of them.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kNames = {{
        {"bytes", "B"},
        {"B", "B"},
        {"kB", "KB"},
        {"KB", "KB"},
        {"MB", "MB"},
        {"GB", "GB"},
        {"TB", "TB"},
    }};
    for (const auto& [name, code] : kNames) {
        if (*theirs == name) {
            return std::string(code);
        }
    }
    throw UsageError("-u must be bytes, B, kB, KB, MB, GB or TB" +
                     std::string(*theirs == "%" ? " (for free percent write -w 10% -c 5%)" : ""));
}

TimeLimit TimeLimitOption(const Arguments& args) {
    TimeLimit limit;
    const auto value = args.Value("--timeout");
    if (!value) {
        return limit;
    }
    const auto colon = value->find(':');
    const std::string seconds = value->substr(0, colon);
    const std::optional<double> number = ReadWholeNumber(seconds);
    if (!number || *number != std::floor(*number) || *number < 1 || *number > 32767) {
        throw UsageError(
            "-t must be whole seconds from 1 to 32767, optionally followed by "
            ":STATE, not \"" +
            *value + "\"");
    }
    limit.seconds = static_cast<int>(*number);
    if (colon != std::string::npos) {
        const auto state = StateNamed(value->substr(colon + 1));
        if (!state) {
            throw UsageError("the state after -t " + seconds +
                             ": must be OK, WARNING, CRITICAL or UNKNOWN");
        }
        limit.onTimeout = *state;
    }
    return limit;
}

}  // namespace tavrix::cli
