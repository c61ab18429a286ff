#pragma once
// What one `check` command line asks for, read and validated before anything
// is sent: the login's parameter string, the mounts, the limits and the form
// of the answer. Our own options and check_disk's names for the same things.

#include <string>
#include <vector>

#include "cli/check_options.h"
#include "cli/check_report.h"
#include "cli/cli_arguments.h"
#include "cli/mount_choice.h"

namespace tavrix::cli {

struct CheckRequest {
    std::string host;
    TimeLimit timeLimit;
    std::string parameters;   // stored or built; its mount is the one of a single check
    Limits limits;            // free space in the parameters' unit (free percent for "%")
    Limits inodeLimits;       // free inodes in percent
    MountChoice choice;       // for several mounts
    bool several = false;     // --all, or more than one mount: one listing of every mount
    bool errorsOnly = false;  // -e
    std::string format;       // plugin, nagios, text or json
};

// Every option of `check`, and its help text.
std::vector<OptionInfo> CheckOptions();
std::string CheckOptionsHelp();

// UsageError naming the option for anything the check could not do as asked.
CheckRequest ReadCheckRequest(const Arguments& args);

}  // namespace tavrix::cli
