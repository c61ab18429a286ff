// tavrix-check: the disk-free check on the command line, for monitoring hosts
// that run plugins, and for admins who want to see why a check answers as it does.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_platform.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "support/failure.h"

namespace {

#define TAVRIX_STRINGIFY_(x) #x
#define TAVRIX_STRINGIFY(x) TAVRIX_STRINGIFY_(x)

const char* const kVersion =
    "tavrix-check " TAVRIX_STRINGIFY(TAVRIX_VERSION_MAJOR) "." TAVRIX_STRINGIFY(
        TAVRIX_VERSION_MINOR) ".0." TAVRIX_STRINGIFY(TAVRIX_VERSION_REVISION);

const char* const kHelp =
    "Usage: tavrix-check COMMAND [options]\n"
    "\n"
    "  check    run a disk-free check on a machine over SSH\n"
    "  mounts   list the mounts of a machine\n"
    "  parse    parse recorded df output as a check would\n"
    "  params   show or build a parameter string\n"
    "  hostkey  show a machine's SSH host key, to pin it\n"
    "\n"
    "tavrix-check COMMAND --help tells more. --version prints the version.\n"
    "Exit status: 0 OK, 2 critical, 3 unknown (bad usage, refusals, errors).\n";

int Dispatch(const std::string& command, const std::vector<std::string>& rest) {
    using namespace tavrix::cli;
    if (command == "parse")
        return RunParse(rest);
    if (command == "params")
        return RunParams(rest);
    if (command == "check")
        return RunCheck(rest);
    if (command == "mounts")
        return RunMounts(rest);
    if (command == "hostkey")
        return RunHostKey(rest);
    throw UsageError("unknown command " + command + " (tavrix-check --help lists them)");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tavrix::cli;
    PrepareStandardStreams();
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    if (args.empty()) {
        std::fputs(kHelp, stderr);
        return kExitUnknown;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args[0] == "--version" || args[0] == "-V") {
        PrintLine(kVersion);
        return kExitOk;
    }
    const std::string command = args[0];
    try {
        return Dispatch(command, std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& error) {
        PrintError("tavrix-check " + command + ": " + error.what());
    } catch (const tavrix::Failure& failure) {
        PrintError("tavrix-check " + command + ": " + ForTerminal(failure.Description()));
    } catch (const std::exception& error) {
        PrintError("tavrix-check " + command + ": " + error.what());
    }
    return kExitUnknown;
}
