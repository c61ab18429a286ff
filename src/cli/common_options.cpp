#include <cstdio>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "support/trace.h"

namespace tavrix::cli {

namespace {

#define TAVRIX_STRINGIFY_(x) #x
#define TAVRIX_STRINGIFY(x) TAVRIX_STRINGIFY_(x)

// -vvv is as much as an admin asks for: the check's own debug output.
constexpr std::size_t kTraceVerbosity = 3;

}  // namespace

std::string VersionText() {
    return "tavrix-check " TAVRIX_STRINGIFY(TAVRIX_VERSION_MAJOR) "." TAVRIX_STRINGIFY(
        TAVRIX_VERSION_MINOR) ".0." TAVRIX_STRINGIFY(TAVRIX_VERSION_REVISION);
}

std::vector<OptionInfo> WithCommonOptions(std::vector<OptionInfo> known) {
    known.push_back({"--help", "-h", false});
    known.push_back({"--version", "-V", false});
    known.push_back({"--verbose", "-v", false});
    known.push_back({"--trace", "", false});
    return known;
}

std::string CommonOptionsHelp() {
    return "  -v, --verbose          more detail on standard error; -vvv (or --trace)\n"
           "                         adds the check's debug output\n"
           "  -V, --version          print the version\n"
           "  -h, --help             this help\n";
}

bool HandleCommonOptions(const Arguments& args, const std::string& help) {
    if (args.Has("--help")) {
        std::fputs(help.c_str(), stdout);
        return true;
    }
    if (args.Has("--version")) {
        PrintLine(VersionText());
        return true;
    }
    if (args.Has("--trace") || args.Count("--verbose") >= kTraceVerbosity) {
        SetTraceEnabled(true);
    }
    return false;
}

}  // namespace tavrix::cli
