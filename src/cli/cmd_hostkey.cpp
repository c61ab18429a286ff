// tavrix-check hostkey: shows a server's host key, to pin it or to add it to a
// known-hosts file. Nothing of a login is sent.

#include <chrono>
#include <string>

#include "cli/check_options.h"
#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "host/parameter_string.h"
#include "support/numbers.h"

#ifdef TAVRIX_HAVE_SSH
#include "transport/host_key_probe.h"
#endif

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check hostkey -H HOST [-p PORT] [-t SECONDS]\n"
    "\n"
    "Connects to HOST (port 22 unless -p), takes its host key and closes the\n"
    "connection before any login. Prints the key as --hostkey and HKEY take it\n"
    "on the first line, and as a known-hosts line on the second. Compare it with\n"
    "the server's own (ssh-keygen -l -f /etc/ssh/ssh_host_*_key.pub) before\n"
    "trusting it.\n"
    "\n";

int PortOption(const Arguments& args) {
    const std::string text = args.Value("--port").value_or("22");
    const double port = HoldsKeyNumber(text) ? ReadKeyNumber(text) : -1;
    if (!(port >= 1 && port <= 65535) || port != static_cast<int>(port)) {
        throw UsageError("-p must be a port number from 1 to 65535");
    }
    return static_cast<int>(port);
}

}  // namespace

int RunHostKey(const std::vector<std::string>& argList) {
    const Arguments args(
        argList, WithCommonOptions(
                     {{"--host", "-H", true}, {"--port", "-p", true}, {"--timeout", "-t", true}}));
    if (HandleCommonOptions(args, kHelp)) {
        return kExitOk;
    }
    if (!args.Positionals().empty()) {
        throw UsageError("unexpected argument " + args.Positionals()[0]);
    }
    const std::string host = ToCore(args.Required("--host"), "-H");
    const int port = PortOption(args);
    const int seconds = TimeLimitOption(args).seconds;
#ifdef TAVRIX_HAVE_SSH
    const auto limit = std::chrono::seconds(seconds);
    const libssh::ProbedHostKey key = libssh::ProbeHostKey(host, port, limit);
    PrintLine(key.fingerprint);
    PrintLine(ForTerminal(key.knownHostsLine));
    return kExitOk;
#else
    (void)host;
    (void)port;
    (void)seconds;
    PrintError("tavrix-check: this build has no SSH transport");
    return kExitUnknown;
#endif
}

}  // namespace tavrix::cli
