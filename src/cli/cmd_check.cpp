// tavrix-check check: runs a check exactly as the monitoring host does and
// answers as a monitoring plugin: one mount, or several from one login.

#include <string>

#include "cli/check_options.h"
#include "cli/check_report.h"
#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/host_key_options.h"
#include "cli/mount_choice.h"
#include "cli/persist_option.h"
#include "host/check_run.h"
#include "host/parameter_string.h"
#include "query/query_state.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check check -H HOST [-t SECONDS[:STATE]] --parameters-file FILE [-w X] "
    "[options]\n"
    "       tavrix-check check -H HOST -l USER --password-file FILE --os CODE\n"
    "                          --mount M [--mount M2 ...] --unit U -w X -c Y [options]\n"
    "       tavrix-check check ... --all [--exclude GLOB ...] [--include-type T ...]\n"
    "\n"
    "Logs in to HOST over SSH once, runs df, and tells whether each mount has\n"
    "enough free space: WARNING below -w, CRITICAL below -c (free units, in the\n"
    "unit of --unit; free percent for %). Several --mount, or --all, check several\n"
    "mounts from one listing; the worst decides the state.\n"
    "A stored parameter string holds the password in Base64: run it from a file\n"
    "(--parameters-file) or a variable (--parameters-env), not with -P, which\n"
    "shows it to anyone who sees the process list. The setting options take the\n"
    "password from --password-file or --password-env.\n"
    "\n"
    "  -H, --host HOST        the machine (also --hostname)\n"
    "  -t, --timeout S[:ST]   time-out in whole seconds (default 10), and the state\n"
    "                         a time-out reports: OK, WARNING, CRITICAL or UNKNOWN\n"
    "                         (default UNKNOWN)\n"
    "  -w, --warning X        warning when less than X units are free\n"
    "  --all                  every mount that df lists\n"
    "  --exclude GLOB         with --all: leave out mounts matching GLOB (*, ?, [..];\n"
    "                         * matches / too), repeatable\n"
    "  --include-type GLOB    with --all: only file systems of a matching type\n"
    "  --exclude-type GLOB    with --all: leave out matching types (both need a df\n"
    "                         that lists types)\n"
    "  --format plugin        DISK OK|WARNING|CRITICAL|UNKNOWN - text | perfdata (default;\n"
    "                         also --format nagios)\n"
    "  --format text          the bare result text the Windows plug-in gives\n"
    "  --format json          state, text, the records used\n";

const char* const kHelpEnd =
    "\n"
    "Examples:\n"
    "  tavrix-check check -H db1 -l monitor --password-file /etc/tavrix/db1.pw \\\n"
    "      --os LINUX --mount /var --unit GB -w 10 -c 5\n"
    "  tavrix-check check -H db1 -l monitor -i /etc/tavrix/id_ed25519 --os LINUX \\\n"
    "      --all --exclude '/run*' --exclude /dev --unit % -w 20 -c 10 -t 20:CRITICAL\n"
    "\n"
    "Exit status: 0 OK, 1 warning, 2 critical, 3 unknown (bad usage, refusal,\n"
    "error, a mount df does not list); a time-out as -t says.\n";

struct Answer {
    State state = State::Unknown;
    std::string text;       // the plugin line's text
    std::string plainText;  // --format text
    std::vector<MountReport> reports;
    CheckOutcome outcome;
};

EvaluationSettings SettingsOf(const std::string& parameters, std::int32_t blockSize) {
    EvaluationSettings settings;
    settings.resource = GetKeyValue(parameters, "RES");
    settings.os = GetKeyValue(parameters, "OS");
    settings.blockSize = blockSize;
    settings.unit = GetKeyValue(parameters, "UNIT");
    settings.compareValue = ReadKeyNumber(GetKeyValue(parameters, "COM"));
    settings.returnAsNumber = GetKeyValue(parameters, "RAN") == "1";
    return settings;
}

// The check run with the host's properties; a failure that took the whole
// time limit is the time-out.
CheckOutcome RunCheckObject(const std::string& host, const TimeLimit& timeLimit,
                            const std::string& parameters, bool& timedOut) {
    CheckObject check;
    check.kx_hostname = host;
    check.kx_timeout = static_cast<double>(timeLimit.seconds);
    check.kx_parameter = parameters;
    check.kx_docheck();
    const CheckOutcome& outcome = check.LastOutcome();
    timedOut = outcome.status == CheckStatus::Failed &&
               outcome.elapsed >= std::chrono::seconds(timeLimit.seconds);
    return outcome;
}

bool FailedBeforeRecords(const CheckOutcome& outcome) {
    return outcome.status == CheckStatus::Refused || outcome.status == CheckStatus::Failed;
}

Answer CheckOneMount(const std::string& host, const TimeLimit& timeLimit,
                     const std::string& parameters, const Limits& limits) {
    Answer answer;
    bool timedOut = false;
    answer.outcome = RunCheckObject(host, timeLimit, parameters, timedOut);
    const CheckOutcome& outcome = answer.outcome;
    answer.text = answer.plainText = outcome.text;
    if (FailedBeforeRecords(outcome)) {
        answer.state = timedOut ? timeLimit.onTimeout : State::Unknown;
        return answer;
    }
    const EvaluationSettings settings = SettingsOf(parameters, outcome.blockSize);
    MountReport report = JudgeMount(settings.resource, outcome.record ? &*outcome.record : nullptr,
                                    settings, limits);
    const bool unknownMount = outcome.status == CheckStatus::UnknownMount;
    answer.state = unknownMount ? State::Unknown : report.state;
    if (!unknownMount && !report.note.empty()) {
        answer.text += " (" + report.note + ")";
    }
    answer.reports.push_back(std::move(report));
    return answer;
}

// One login and one df without a mount: the check run with the mount left
// out lists every mount, and its records stay in the query state.
Answer CheckSeveralMounts(const std::string& host, const TimeLimit& timeLimit,
                          const std::string& parameters, const Limits& limits,
                          const MountChoice& choice) {
    Answer answer;
    bool timedOut = false;
    answer.outcome = RunCheckObject(host, timeLimit, "#RES=#" + parameters, timedOut);
    const CheckOutcome& outcome = answer.outcome;
    if (FailedBeforeRecords(outcome)) {
        answer.state = timedOut ? timeLimit.onTimeout : State::Unknown;
        answer.text = answer.plainText = outcome.text;
        return answer;
    }
    const EvaluationSettings settings = SettingsOf(parameters, outcome.blockSize);
    if ((!choice.includeTypes.empty() || !choice.excludeTypes.empty()) && !gHasTypeColumn) {
        answer.text = answer.plainText =
            "df on this system lists no file system types (--include-type, --exclude-type)";
        return answer;
    }
    for (const ChosenMount& chosen :
         ChooseMounts(gMountRecords, gMountCount, choice, settings.os)) {
        const MountRecord* record =
            chosen.recordIndex ? &gMountRecords[*chosen.recordIndex] : nullptr;
        answer.reports.push_back(JudgeMount(chosen.mount, record, settings, limits));
    }
    if (answer.reports.empty()) {
        answer.text = answer.plainText = "No mount left to check";
        return answer;
    }
    answer.state = State::Ok;
    for (const MountReport& report : answer.reports) {
        answer.state = Worse(answer.state, report.state);
    }
    answer.text = answer.plainText = SeveralMountsText(answer.reports);
    return answer;
}

void PrintDetails(const Answer& answer) {
    for (const MountReport& report : answer.reports) {
        PrintError(ForTerminal(report.mount) + ": " + StateName(report.state) +
                   (report.record ? " " + JsonRecord(*report.record) : std::string()));
    }
    PrintError("took " + std::to_string(answer.outcome.elapsed.count()) + " ms");
}

}  // namespace

int RunCheck(const std::vector<std::string>& argList) {
    auto known = SettingOptions();
    known.push_back({"--host", "-H", true, {"--hostname"}});
    known.push_back({"--timeout", "-t", true});
    for (const auto& option : ParameterOptions()) {
        known.push_back(option);
    }
    known.push_back({"--warning", "-w", true});
    known.push_back({"--all", "", false});
    known.push_back({"--exclude", "", true});
    known.push_back({"--include-type", "", true});
    known.push_back({"--exclude-type", "", true});
    known.push_back({"--format", "", true});
    known.push_back(ModernOnlyOption());
    known.push_back(PersistOption());
    for (const OptionInfo& option : HostKeyOptions()) {
        known.push_back(option);
    }
    const Arguments args(argList, WithCommonOptions(known));
    if (HandleCommonOptions(args, kHelp + ParameterOptionsHelp() + SettingOptionsHelp() +
                                      ModernOnlyHelp() + PersistOptionHelp() + CommonOptionsHelp() +
                                      kHostKeyOptionsHelp + kHelpEnd)) {
        return kExitOk;
    }
    if (!args.Positionals().empty()) {
        throw UsageError("unexpected argument " + args.Positionals()[0]);
    }
    const std::string format = args.Value("--format").value_or("plugin");
    if (format != "plugin" && format != "nagios" && format != "text" && format != "json") {
        throw UsageError("--format must be plugin (or nagios), text or json");
    }
    const TimeLimit timeLimit = TimeLimitOption(args);
    Limits limits = LimitOptions(args);
    MountChoice choice;
    choice.excludes = args.Values("--exclude");
    choice.includeTypes = args.Values("--include-type");
    choice.excludeTypes = args.Values("--exclude-type");
    const bool all = args.Has("--all");
    const std::vector<std::string> mounts = args.Values("--mount");
    if (all && !mounts.empty()) {
        throw UsageError("give --all or --mount, not both");
    }
    if (!all && (!choice.excludes.empty() || !choice.includeTypes.empty() ||
                 !choice.excludeTypes.empty())) {
        throw UsageError("--exclude, --include-type and --exclude-type go with --all");
    }
    const bool several = all || mounts.size() > 1;
    if (!HasStoredParameters(args) &&
        (!args.Has("--unit") || (!limits.warning && !limits.critical))) {
        throw UsageError("--unit and -w or -c are required");
    }
    const std::string host = ToCore(args.Required("--host"), "-H");
    const std::string parameters = WithHostKeyOption(args, ParametersFromArguments(args, !several));
    if (HasStoredParameters(args)) {
        limits.critical = ReadKeyNumber(GetKeyValue(parameters, "COM"));
    }
    if (several) {
        for (const std::string& mount : mounts) {
            choice.mounts.push_back(ToCore(mount, "--mount"));
        }
    }
    if (!InstallSshTransportFor(args, parameters)) {
        throw UsageError("this build has no SSH transport");
    }

    const Answer answer = several ? CheckSeveralMounts(host, timeLimit, parameters, limits, choice)
                                  : CheckOneMount(host, timeLimit, parameters, limits);
    if (args.Count("--verbose") > 0) {
        PrintDetails(answer);
    }
    if (format == "json") {
        PrintLine(several ? JsonLine(answer.state, answer.text, answer.reports)
                          : JsonLine(answer.outcome, answer.state));
    } else if (format == "text") {
        PrintLine(ForTerminal(answer.plainText));
    } else {
        std::vector<std::string> perfdata;
        for (const MountReport& report : answer.reports) {
            perfdata.push_back(report.perfdata);
        }
        PrintLine(PluginLine(answer.state, answer.text, perfdata));
    }
    LeaveHolderIfAsked();
    return ExitCode(answer.state);
}

}  // namespace tavrix::cli
