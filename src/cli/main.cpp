// tavrix-check: the disk-free check on the command line, for monitoring hosts
// that run plugins, and for admins who want to see why a check answers as it does.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_platform.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/persist_option.h"
#include "support/failure.h"

namespace {

const char* const kHelp =
    "Usage: tavrix-check COMMAND [options]\n"
    "\n"
    "  check    run a disk-free check on a machine over SSH\n"
    "  mounts   list the mounts of a machine\n"
    "  parse    parse recorded df output as a check would\n"
    "  params   show or build a parameter string\n"
    "  hostkey  show a machine's SSH host key, to pin it\n"
    "  persist  list or stop the SSH sessions kept by --persist\n"
    "\n"
    "tavrix-check COMMAND --help tells more. --version prints the version.\n"
    "Exit status: 0 OK, 1 warning, 2 critical, 3 unknown (bad usage, refusals,\n"
    "errors).\n";

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
    if (command == "persist")
        return RunPersist(rest);
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
        PrintLine(VersionText());
        return kExitOk;
    }
    const std::string command = args[0];
    std::string reason;
    try {
        return Dispatch(command, std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& error) {
        reason = error.what();
    } catch (const tavrix::Failure& failure) {
        reason = ForTerminal(failure.Description());
    } catch (const std::exception& error) {
        reason = error.what();
    }
    // A monitoring engine shows standard output only: the plugin gives its
    // state line there too.
    if (command == "check") {
        std::string line = "DISK UNKNOWN - " + reason;
        for (char& c : line) {
            c = (c == '|') ? '/' : (c == '\r' || c == '\n') ? ' ' : c;  // one line, no perfdata
        }
        PrintLine(line);
    }
    PrintError("tavrix-check " + command + ": " + reason);
    return kExitUnknown;
}
