#include <cstdio>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "support/trace.h"

namespace tavrix::cli {

std::vector<OptionInfo> WithCommonOptions(std::vector<OptionInfo> known) {
    known.push_back({"--help", "-h", false});
    known.push_back({"--trace", "", false});
    return known;
}

bool HandleCommonOptions(const Arguments& args, const std::string& help) {
    if (args.Has("--help")) {
        std::fputs(help.c_str(), stdout);
        return true;
    }
    if (args.Has("--trace")) {
        SetTraceEnabled(true);
    }
    return false;
}

}  // namespace tavrix::cli
