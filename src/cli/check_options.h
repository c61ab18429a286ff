#pragma once
// The options of `check` that a monitoring engine passes on every run, read
// strictly: a limit or time-out that is not exactly a number is bad usage,
// never a guess.

#include <optional>
#include <string>

#include "cli/check_report.h"
#include "cli/cli_arguments.h"

namespace tavrix::cli {

// A non-negative number in the one number grammar ("10", "2.5", ".5", "1e3"),
// nothing before or after it. UsageError naming `option` otherwise, with a
// hint for a decimal comma.
double StrictNumber(const std::string& value, const std::string& option);

// -w/--warning and -c/--critical (or --threshold): free units of the check's
// unit, or free percent when written as check_disk writes it ("10%"). Both
// limits are in the one form; a percent above 100 is bad usage.
struct SpaceLimits {
    Limits limits;
    bool percent = false;  // written with "%": the check's unit is "%"
};
SpaceLimits LimitOptions(const Arguments& args);

// -W/--iwarning and -K/--icritical: free inodes, in percent, always with "%".
Limits InodeLimitOptions(const Arguments& args);

// The unit code of --unit (ours, "%" included) or -u/--units (check_disk's
// names: bytes or B, kB or KB, MB, GB, TB); nullopt when neither is given.
std::optional<std::string> UnitOption(const Arguments& args);

// -t/--timeout SECONDS[:STATE]: whole seconds from 1 to 32767 (default 10) and
// the state a time-out reports (default UNKNOWN).
struct TimeLimit {
    int seconds = 10;
    State onTimeout = State::Unknown;
};
TimeLimit TimeLimitOption(const Arguments& args);

}  // namespace tavrix::cli
