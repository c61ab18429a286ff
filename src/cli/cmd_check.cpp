// tavrix-check check: runs a check exactly as the monitoring host does and
// answers as a monitoring plugin: one mount, or several from one login.

#include <string>

#include "cli/check_options.h"
#include "cli/check_report.h"
#include "cli/check_request.h"
#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/host_key_options.h"
#include "cli/mount_choice.h"
#include "cli/persist_option.h"
#include "cli/trend_check.h"
#include "host/check_run.h"
#include "query/pseudo_filesystems.h"

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check check -H HOST [-t SECONDS[:STATE]] --parameters-file FILE [-w X] "
    "[options]\n"
    "       tavrix-check check -H HOST -l USER --password-file FILE --os CODE\n"
    "                          --mount M [--mount M2 ...] [--unit U] -w X -c Y [options]\n"
    "       tavrix-check check ... --all [--exclude GLOB ...] [--include-type T ...]\n"
    "\n"
    "Logs in to HOST over SSH once, runs df, and tells whether each mount has\n"
    "enough free space: WARNING below -w, CRITICAL below -c (free units, in the\n"
    "unit of --unit; free percent for % or -w 10%). Several --mount, or --all,\n"
    "check several mounts from one listing; the worst decides the state.\n"
    "A stored parameter string holds the password in Base64: run it from a file\n"
    "(--parameters-file) or a variable (--parameters-env), not with -P, which\n"
    "shows it to anyone who sees the process list. The setting options take the\n"
    "password from --password-file or --password-env.\n"
    "\n";

std::string PseudoHelp() {
    return "\n"
           "Pseudo file systems, left out of --all unless --include-pseudo (a mount named\n"
           "with --mount or --path is always checked): " +
           PseudoFileSystemSummary() + "\n";
}

const char* const kCheckDiskHelp =
    "\n"
    "check_disk command lines carry over: change the command name, write its -p\n"
    "PATH as --path PATH and add the login. Where ours differs from check_disk:\n"
    "  -p is the SSH port (as in check_by_ssh and ssh -p), -i the key file, -l the\n"
    "  login name and -P a stored parameter string; -x, -X and -N go with --all\n"
    "  and take the mount or file system exactly (-x) or a shell pattern (-X, -N;\n"
    "  a type name no system knows is refused, a pattern passes);\n"
    "  -w and -c are both percent or both units; -W and -K need %; pseudo file\n"
    "  systems are left out of --all; -C, -E, -g, -r, -R, -I, -l, -L, -M, -m, -k, -f\n"
    "  are not taken. The perfdata is check_disk's: '<mount>'=used bytes, with the\n"
    "  used space at which -w and -c are crossed, 0 and the size; with -W or -K,\n"
    "  '<mount> inodes'=used inodes;warn;crit;0;total.\n";

const char* const kHelpEnd =
    "\n"
    "Examples:\n"
    "  tavrix-check check -H db1 -l monitor --password-file /etc/tavrix/db1.pw \\\n"
    "      --os LINUX --mount /var --unit GB -w 10 -c 5\n"
    "  tavrix-check check -H db1 -l monitor -i /etc/tavrix/id_ed25519 --os LINUX \\\n"
    "      --all --exclude '/run*' --exclude /dev --unit % -w 20 -c 10 -t 20:CRITICAL\n"
    "  tavrix-check check -H db1 -l monitor -i /etc/tavrix/id_ed25519 --os LINUX \\\n"
    "      -A -w 10% -c 5% -W 10% -K 5%\n"
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

// The check run with the host's properties; `adjust` adds what only the
// command line asks for.
CheckOutcome RunCheckObject(const CheckRequest& request, const QueryAdjustment& adjust) {
    CheckObject check;
    check.kx_hostname.emplace<std::string>(request.host);
    check.kx_timeout.emplace<double>(request.timeLimit.seconds);
    check.kx_parameter.emplace<std::string>(request.parameters);
    return check.Run(adjust);
}

// Refused, failed or timed out: no record to judge; the state of a time-out
// is the one -t names.
bool FailedBeforeRecords(const CheckOutcome& outcome, const TimeLimit& timeLimit, Answer& answer) {
    switch (outcome.status) {
        case CheckStatus::TimedOut:
            answer.state = timeLimit.onTimeout;
            break;
        case CheckStatus::Refused:
        case CheckStatus::Failed:
            answer.state = State::Unknown;
            break;
        case CheckStatus::Evaluated:
        case CheckStatus::Listed:
        case CheckStatus::UnknownMount:
            return false;
    }
    answer.text = answer.plainText = outcome.text;
    return true;
}

bool HasInodeLimits(const CheckRequest& request) {
    return request.inodeLimits.warning || request.inodeLimits.critical;
}

Answer CheckOneMount(const CheckRequest& request, const TrendRun* trend) {
    Answer answer;
    const bool inodes = HasInodeLimits(request);
    answer.outcome =
        RunCheckObject(request, [&](QueryInputs& query) { query.dfRequest.withInodes = inodes; });
    const CheckOutcome& outcome = answer.outcome;
    if (FailedBeforeRecords(outcome, request.timeLimit, answer)) {
        return answer;
    }
    answer.text = answer.plainText = outcome.text;
    const EvaluationSettings& settings = outcome.settings;
    MountReport report = JudgeMount(settings.resource, outcome.record ? &*outcome.record : nullptr,
                                    settings, request.limits);
    if (inodes) {
        JudgeInodes(report, outcome.query.inodes, request.inodeLimits, settings.os);
    }
    if (trend) {
        trend->Apply(report, settings.blockSize);
    }
    const bool unknownMount = outcome.status == CheckStatus::UnknownMount;
    answer.state = unknownMount ? State::Unknown : report.state;
    if (!unknownMount) {
        answer.text += report.note.empty() ? "" : " (" + report.note + ")";
        if (!report.inodeFigure.empty()) {
            answer.text += ", inodes " + report.inodeFigure +
                           (report.inodeNote.empty() ? "" : " (" + report.inodeNote + ")");
        }
    }
    answer.reports.push_back(std::move(report));
    return answer;
}

// One login and one df of every mount; the mounts are chosen from its records.
Answer CheckSeveralMounts(const CheckRequest& request, const TrendRun* trend) {
    Answer answer;
    const bool inodes = HasInodeLimits(request);
    answer.outcome = RunCheckObject(request, [&](QueryInputs& query) {
        query.allMounts = true;
        // Types tell pseudo file systems apart and feed the type filters;
        // named mounts need neither.
        query.dfRequest.withTypes = request.choice.mounts.empty();
        query.dfRequest.withInodes = inodes;
    });
    const CheckOutcome& outcome = answer.outcome;
    const MountChoice& choice = request.choice;
    if (FailedBeforeRecords(outcome, request.timeLimit, answer)) {
        return answer;
    }
    const EvaluationSettings& settings = outcome.settings;
    const std::vector<MountRecord>& records = outcome.query.records;
    if ((!choice.includeTypes.empty() || !choice.excludeTypes.empty()) &&
        !outcome.query.hasTypeColumn) {
        answer.text = answer.plainText =
            "df on this system lists no file system types (--include-type, --exclude-type)";
        return answer;
    }
    for (const ChosenMount& chosen :
         ChooseMounts(records, static_cast<int>(records.size()), choice, settings.os)) {
        const MountRecord* record = chosen.recordIndex ? &records[*chosen.recordIndex] : nullptr;
        MountReport report = JudgeMount(chosen.mount, record, settings, request.limits);
        if (inodes) {
            JudgeInodes(report, outcome.query.inodes, request.inodeLimits, settings.os);
        }
        if (trend) {
            trend->Apply(report, settings.blockSize);
        }
        answer.reports.push_back(std::move(report));
    }
    if (answer.reports.empty()) {
        answer.text = answer.plainText = "No mount left to check";
        return answer;
    }
    answer.state = State::Ok;
    for (const MountReport& report : answer.reports) {
        answer.state = Worse(answer.state, report.state);
    }
    answer.text = answer.plainText = SeveralMountsText(answer.reports, request.errorsOnly);
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
    std::vector<OptionInfo> known = CheckOptions();
    for (const OptionInfo& option : TrendOptions()) {
        known.push_back(option);
    }
    known.push_back(PersistOption());
    const Arguments args(argList, WithCommonOptions(known));
    if (HandleCommonOptions(args, kHelp + CheckOptionsHelp() + kTrendOptionsHelp +
                                      ParameterOptionsHelp() + SettingOptionsHelp("MB") +
                                      ModernOnlyHelp() + PersistOptionHelp() + CommonOptionsHelp() +
                                      kHostKeyOptionsHelp + PseudoHelp() + kCheckDiskHelp +
                                      kHelpEnd)) {
        return kExitOk;
    }
    const CheckRequest request = ReadCheckRequest(args);
    if (!InstallSshTransportFor(args, request.parameters)) {
        throw UsageError("this build has no SSH transport");
    }
    const std::optional<TrendRun> trend = TrendRunFor(args, request.host, request.parameters);
    const TrendRun* const trendRun = trend ? &*trend : nullptr;

    const Answer answer =
        request.several ? CheckSeveralMounts(request, trendRun) : CheckOneMount(request, trendRun);
    if (args.Count("--verbose") > 0) {
        PrintDetails(answer);
    }
    if (request.format == "json") {
        PrintLine(request.several
                      ? JsonLine(answer.state, answer.text, answer.reports)
                      : JsonLine(answer.outcome, answer.state,
                                 answer.reports.empty() ? nullptr : &answer.reports.front()));
    } else if (request.format == "text") {
        PrintLine(ForTerminal(answer.plainText));
    } else {
        std::vector<std::string> perfdata;
        for (const MountReport& report : answer.reports) {
            perfdata.push_back(report.perfdata);
        }
        PrintLine(PluginLine(answer.state, answer.text, perfdata));
    }
    for (const std::string& note : trend ? trend->TakeNotes() : std::vector<std::string>()) {
        PrintError("tavrix-check: " + ForTerminal(note));
    }
    LeaveHolderIfAsked();
    return ExitCode(answer.state);
}

}  // namespace tavrix::cli
