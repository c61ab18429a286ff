#pragma once
// The options of `check` that a monitoring engine passes on every run, read
// strictly: a limit or time-out that is not exactly a number is bad usage,
// never a guess.

#include <string>

#include "cli/check_report.h"
#include "cli/cli_arguments.h"

namespace tavrix::cli {

// A non-negative number in the one number grammar ("10", "2.5", ".5", "1e3"),
// nothing before or after it. UsageError naming `option` otherwise, with a
// hint for a decimal comma.
double StrictNumber(const std::string& value, const std::string& option);

// -w/--warning and -c/--critical (or --threshold).
Limits LimitOptions(const Arguments& args);

// -t/--timeout SECONDS[:STATE]: whole seconds from 1 to 32767 (default 10) and
// the state a time-out reports (default UNKNOWN).
struct TimeLimit {
    int seconds = 10;
    State onTimeout = State::Unknown;
};
TimeLimit TimeLimitOption(const Arguments& args);

}  // namespace tavrix::cli
