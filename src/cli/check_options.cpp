#include "cli/check_options.h"

#include <cmath>

#include "support/numbers.h"

namespace tavrix::cli {

namespace {

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
