// tavrix-check check: runs one check exactly as the monitoring host does and
// answers in the manner of a monitoring plugin.

#include <string>

#include "cli/check_report.h"
#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "host/check_run.h"
#include "host/parameter_string.h"

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check check -H HOST [-t SECONDS] -P PARAMETERS [--format F]\n"
    "       tavrix-check check -H HOST [-t SECONDS] --user NAME --os CODE --mount M\n"
    "                          --unit U --threshold X [options] [--format F]\n"
    "\n"
    "Logs in to HOST over SSH, runs df, and tells whether the mount has at least\n"
    "the threshold free. -t is the time-out in seconds (default 10).\n"
    "A PARAMETERS string holds the password in Base64, readable by anyone who\n"
    "sees the process list; the options with --password-env or --password-file\n"
    "keep it out of there.\n"
    "\n"
    "  --format text     the result text (default)\n"
    "  --format nagios   DISK OK|CRITICAL|UNKNOWN - text | performance data\n"
    "  --format json     result, text, the record used and the time taken\n"
    "\n"
    "Exit status: 0 enough free space, 2 too little, 3 unknown mount, refusal or\n"
    "error.\n"
    "\n";

}  // namespace

int RunCheck(const std::vector<std::string>& argList) {
    auto known = SettingOptions();
    known.push_back({"--host", "-H", true});
    known.push_back({"--timeout", "-t", true});
    known.push_back({"--parameters", "-P", true});
    known.push_back(ModernOnlyOption());
    known.push_back({"--format", "", true});
    const Arguments args(argList, WithCommonOptions(known));
    if (HandleCommonOptions(args, kHelp + SettingOptionsHelp() + ModernOnlyHelp())) {
        return kExitOk;
    }
    if (!args.Positionals().empty()) {
        throw UsageError("unexpected argument " + args.Positionals()[0]);
    }
    const std::string format = args.Value("--format").value_or("text");
    if (format != "text" && format != "nagios" && format != "json") {
        throw UsageError("--format must be text, nagios or json");
    }
    if (!args.Has("--parameters") && (!args.Has("--unit") || !args.Has("--threshold"))) {
        throw UsageError("--unit and --threshold are required");
    }
    CheckObject check;
    check.kx_hostname = ToCore(args.Required("--host"), "-H");
    check.kx_timeout = SecondsOption(args);
    const std::string parameters = ParametersFromArguments(args, true);
    check.kx_parameter = parameters;
    if (!InstallSshTransport(args.Has("--modern-only"))) {
        PrintError("tavrix-check: this build has no SSH transport");
        return kExitUnknown;
    }

    check.kx_docheck();
    const CheckOutcome& outcome = check.LastOutcome();
    const State state = StateOf(outcome);
    if (format == "nagios") {
        PrintLine(NagiosLine(outcome, state, GetKeyValue(parameters, "RES")));
    } else if (format == "json") {
        PrintLine(JsonLine(outcome, state));
    } else {
        PrintLine(ForTerminal(PropertyText(check.kx_result)));
    }
    return ExitCode(state);
}

}  // namespace tavrix::cli
