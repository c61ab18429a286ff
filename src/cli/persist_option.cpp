#include "cli/persist_option.h"

#include <cmath>
#include <cstdio>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "support/numbers.h"

#ifdef TAVRIX_HAVE_PERSIST
#include "transport/persist_platform.h"
#endif

namespace tavrix::cli {

namespace {

constexpr int kMaxPersistSeconds = 86400;

const char* const kPersistHelp =
    "Usage: tavrix-check persist --list\n"
    "       tavrix-check persist --stop [-H HOST [-p PORT] [-l USER]]\n"
    "\n"
    "The SSH sessions that checks with --persist left open for later checks\n"
    "(one holder process per host, port and user, this user's only).\n"
    "\n"
    "  --list                 host, port, user, seconds since the last check, process\n"
    "  --stop                 ends the holders (all, or those of -H, -p and -l)\n"
    "  -H, --host HOST        with --stop: only the holders of HOST\n"
    "  -p, --port PORT        with --stop and -H: only this port\n"
    "  -l, --user USER        with --stop and -H: only this user\n";

}  // namespace

OptionInfo PersistOption() {
    return {"--persist", "", true};
}

std::string PersistOptionHelp() {
    return "  --persist SECONDS      keep the SSH session open in a background holder for\n"
           "                         later checks of the same login, until SECONDS pass\n"
           "                         without one (default 0: log in every time)\n";
}

int PersistSeconds(const Arguments& args) {
    const auto value = args.Value("--persist");
    if (!value) {
        return 0;
    }
    const std::optional<double> number = ReadWholeNumber(*value);
    if (!number || *number != std::floor(*number) || *number < 0 || *number > kMaxPersistSeconds) {
        throw UsageError("--persist must be whole seconds from 0 to 86400, not \"" + *value + "\"");
    }
#ifndef TAVRIX_HAVE_PERSIST
    if (*number > 0) {
        throw UsageError("--persist is not available in this build");
    }
#endif
    return static_cast<int>(*number);
}

void LeaveHolderIfAsked() {
#ifdef TAVRIX_HAVE_PERSIST
    persist::LeaveHolderForRun();
#endif
}

int RunPersist(const std::vector<std::string>& argList) {
    const Arguments args(argList, WithCommonOptions({{"--list", "", false},
                                                     {"--stop", "", false},
                                                     {"--host", "-H", true, {"--hostname"}},
                                                     {"--port", "-p", true},
                                                     {"--user", "-l", true, {"--logname"}}}));
    if (HandleCommonOptions(args, kPersistHelp + CommonOptionsHelp())) {
        return kExitOk;
    }
    if (!args.Positionals().empty()) {
        throw UsageError("unexpected argument " + args.Positionals()[0]);
    }
    if (args.Has("--list") == args.Has("--stop")) {
        throw UsageError("give --list or --stop");
    }
    if (args.Has("--list") && (args.Has("--host") || args.Has("--port") || args.Has("--user"))) {
        throw UsageError("-H, -p and -l go with --stop");
    }
    if (!args.Has("--host") && (args.Has("--port") || args.Has("--user"))) {
        throw UsageError("-p and -l go with -H");
    }
#ifdef TAVRIX_HAVE_PERSIST
    const std::optional<std::string> host = args.Value("--host");
    const std::optional<std::string> port = args.Value("--port");
    const std::optional<std::string> user = args.Value("--user");
    for (const persist::HolderStatus& holder : persist::ListHolders()) {
        const std::string where = ForTerminal(holder.host) + " port " +
                                  std::to_string(holder.port) + " user " + ForTerminal(holder.user);
        if (args.Has("--list")) {
            PrintLine(where + ", idle " + std::to_string(holder.idleSeconds) + " s, " +
                      std::to_string(holder.served) + (holder.served == 1 ? " check" : " checks") +
                      " served, process " + std::to_string(holder.pid));
            continue;
        }
        if ((host && *host != holder.host) || (port && *port != std::to_string(holder.port)) ||
            (user && *user != holder.user)) {
            continue;
        }
        PrintLine((persist::StopHolder(holder) ? "stopped " : "could not stop ") + where);
    }
    return kExitOk;
#else
    PrintError("tavrix-check persist: this build keeps no SSH sessions");
    return kExitUnknown;
#endif
}

#ifdef TAVRIX_HAVE_PERSIST
bool InstallPersistTransport(const Arguments& args, const libssh::KnownHostsCheck& check,
                             libssh::AlgorithmPolicy policy, const std::string& pin) {
    const int seconds = PersistSeconds(args);
    if (seconds == 0) {
        return false;
    }
    auto context = std::make_shared<persist::PersistContext>();
    context->persistSeconds = seconds;
    context->pin = pin;
    context->knownHosts = check;
    context->policy = policy;
    persist::InstallPersistPlatform(std::move(context));
    return true;
}
#endif

}  // namespace tavrix::cli
