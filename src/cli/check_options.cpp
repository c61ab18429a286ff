#include "cli/check_options.h"

#include <algorithm>

#include "support/numbers.h"

namespace tavrix::cli {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, IsDigit);
}

bool IsPlainDecimal(std::string_view text) {
    const auto point = text.find('.');
    if (point == std::string_view::npos) {
        return AllDigits(text);
    }
    const std::string_view whole = text.substr(0, point);
    return (whole.empty() || AllDigits(whole)) && AllDigits(text.substr(point + 1));
}

std::optional<double> OptionalLimit(const Arguments& args, const std::string& name,
                                    const std::string& shown) {
    const auto value = args.Value(name);
    if (!value) {
        return std::nullopt;
    }
    return StrictNumber(*value, shown);
}

}  // namespace

double StrictNumber(const std::string& value, const std::string& option) {
    if (IsPlainDecimal(value)) {
        return ReadKeyNumber(value);
    }
    std::string hint;
    if (const auto comma = value.find(','); comma != std::string::npos) {
        std::string withPoint = value;
        withPoint[comma] = '.';
        if (IsPlainDecimal(withPoint)) {
            hint = " (write " + withPoint + ": the decimal point is \".\")";
        }
    }
    throw UsageError(option + " must be a plain number of free units such as 10 or 2.5, not \"" +
                     value + "\"" + hint);
}

Limits LimitOptions(const Arguments& args) {
    return {OptionalLimit(args, "--warning", "-w"), OptionalLimit(args, "--critical", "-c")};
}

TimeLimit TimeLimitOption(const Arguments& args) {
    TimeLimit limit;
    const auto value = args.Value("--timeout");
    if (!value) {
        return limit;
    }
    const auto colon = value->find(':');
    const std::string seconds = value->substr(0, colon);
    // Five digits at most keeps the number itself in range before the check.
    if (!AllDigits(seconds) || seconds.size() > 5 || std::stoi(seconds) < 1 ||
        std::stoi(seconds) > 32767) {
        throw UsageError(
            "-t must be whole seconds from 1 to 32767, optionally followed by "
            ":STATE, not \"" +
            *value + "\"");
    }
    limit.seconds = std::stoi(seconds);
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
