#include "cli/check_report.h"

#include <algorithm>

#include "cli/cli_text.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

constexpr std::string_view kPercentUnit = "%";

// Plugin output is one line, and "|" starts the performance data.
std::string PluginText(const std::string& ansi) {
    std::string text;
    for (char c : ansi) {
        text += (c == '|') ? '/' : (c == '\r' || c == '\n') ? ' ' : c;
    }
    return ForTerminal(text);
}

// Always quoted, which every reader of performance data takes; a quote is
// doubled, and "=" and "|" would end the label or the data.
std::string PerfLabel(const std::string& mount) {
    std::string label = "'";
    for (char c : mount) {
        if (c == '\'') {
            label += "''";
        } else if (c == '=' || c == '|') {
            label += '_';
        } else {
            label += c;
        }
    }
    return ForTerminal(label + "'");
}

std::string LimitText(double limit, const std::string& unit) {
    return FormatNumber(limit) + " " + unit;
}

// The used bytes at which a free-space limit is crossed, as graphs made for
// check_disk expect: size less the limit; empty when the limit is not set.
std::string UsedLimitField(const std::optional<double>& limit, double sizeBytes, bool percent,
                           double unitBytes) {
    if (!limit) {
        return "";
    }
    const double free = percent ? sizeBytes * *limit / 100 : *limit * unitBytes;
    return PlainWholeNumber(std::max(0.0, sizeBytes - free));
}

// Used space is everything but the free space, blocks reserved for root
// included, so that the graph crosses a limit exactly when the state does.
std::string PerfData(const std::string& mount, const MountRecord& record,
                     const EvaluationSettings& settings, const Limits& limits) {
    const double blockSize = settings.blockSize;
    const double sizeBytes = static_cast<double>(record.Size) * blockSize;
    const double usedBytes = std::max(0.0, sizeBytes - record.Available * blockSize);
    const bool percent = settings.unit == kPercentUnit;
    const double unitBytes = BytesPerUnit(settings.unit);
    return PerfLabel(mount) + "=" + PlainWholeNumber(usedBytes) + "B;" +
           UsedLimitField(limits.warning, sizeBytes, percent, unitBytes) + ";" +
           UsedLimitField(limits.critical, sizeBytes, percent, unitBytes) + ";0;" +
           PlainWholeNumber(sizeBytes);
}

std::string InodePerfData(const std::string& mount, const InodeRecord& inodes,
                          const Limits& limits) {
    const double used = std::max(0.0, inodes.total - inodes.free);
    return PerfLabel(mount + " inodes") + "=" + PlainWholeNumber(used) + ";" +
           UsedLimitField(limits.warning, inodes.total, true, 1) + ";" +
           UsedLimitField(limits.critical, inodes.total, true, 1) + ";0;" +
           PlainWholeNumber(inodes.total);
}

std::string InodeJson(const InodeRecord& inodes) {
    return "{\"filesystem\":" + JsonString(inodes.filesystem) +
           ",\"mount\":" + JsonString(inodes.mount) + ",\"total\":" + JsonNumber(inodes.total) +
           ",\"used\":" + JsonNumber(inodes.used) + ",\"free\":" + JsonNumber(inodes.free) + "}";
}

int Rank(State state) {
    switch (state) {
        case State::Ok:
            return 0;
        case State::Unknown:
            return 1;
        case State::Warning:
            return 2;
        case State::Critical:
            return 3;
    }
    return 1;
}

const char* JsonFlag(bool flag) {
    return flag ? "true" : "false";
}

}  // namespace

const char* StateName(State state) {
    switch (state) {
        case State::Ok:
            return "OK";
        case State::Warning:
            return "WARNING";
        case State::Critical:
            return "CRITICAL";
        case State::Unknown:
            return "UNKNOWN";
    }
    return "UNKNOWN";
}

std::optional<State> StateNamed(std::string_view name) {
    for (State state : {State::Ok, State::Warning, State::Critical, State::Unknown}) {
        if (name == StateName(state)) {
            return state;
        }
    }
    return std::nullopt;
}

int ExitCode(State state) {
    switch (state) {
        case State::Ok:
            return kExitOk;
        case State::Warning:
            return kExitWarning;
        case State::Critical:
            return kExitCritical;
        case State::Unknown:
            return kExitUnknown;
    }
    return kExitUnknown;
}

State Worse(State a, State b) {
    return Rank(a) >= Rank(b) ? a : b;
}

MountReport JudgeMount(const std::string& mount, const MountRecord* record,
                       const EvaluationSettings& settings, const Limits& limits) {
    MountReport report;
    report.mount = mount;
    if (record == nullptr) {
        report.note = "not listed by df";
        return report;
    }
    report.record = *record;
    EvaluationSettings asNumber = settings;
    asNumber.returnAsNumber = true;
    const Verdict verdict = EvaluateRecord(*record, asNumber);
    const bool percent = settings.unit == kPercentUnit;
    report.figure = percent ? FormatNumber(verdict.comparedValue) + " % free" : verdict.text;
    report.state = State::Ok;
    if (limits.critical && verdict.comparedValue < *limits.critical) {
        report.state = State::Critical;
        report.note = "below the critical " + LimitText(*limits.critical, settings.unit);
    } else if (limits.warning && verdict.comparedValue < *limits.warning) {
        report.state = State::Warning;
        report.note = "below the warning " + LimitText(*limits.warning, settings.unit);
    }
    report.perfdata = PerfData(mount, *record, settings, limits);
    return report;
}

void JudgeInodes(MountReport& report, const InodeListing& listing, const Limits& limits,
                 const std::string& os) {
    if (!report.record) {
        return;  // the mount itself is missing; that says enough
    }
    const InodeRecord* inodes =
        listing.problem.empty() ? FindInodeRecord(listing, report.mount, os) : nullptr;
    if (inodes == nullptr) {
        report.inodeFigure = "unknown";
        report.inodeNote = listing.problem.empty() ? "not listed by the inode df" : listing.problem;
        report.state = Worse(report.state, State::Unknown);
        return;
    }
    report.inodes = *inodes;
    if (inodes->total <= 0) {
        report.inodeFigure = "without a fixed number";
        return;
    }
    const double freePercent = inodes->free / inodes->total * 100;
    report.inodeFigure = FormatOneDecimal(freePercent) + " % free";
    if (limits.critical && freePercent < *limits.critical) {
        report.state = Worse(report.state, State::Critical);
        report.inodeNote = "below the critical " + FormatNumber(*limits.critical) + " %";
    } else if (limits.warning && freePercent < *limits.warning) {
        report.state = Worse(report.state, State::Warning);
        report.inodeNote = "below the warning " + FormatNumber(*limits.warning) + " %";
    }
    report.perfdata += " " + InodePerfData(report.mount, *inodes, limits);
}

std::string ReportText(const MountReport& report) {
    std::string text = report.figure;
    text +=
        report.note.empty() ? "" : std::string(text.empty() ? "" : " ") + "(" + report.note + ")";
    if (!report.inodeFigure.empty()) {
        text += ", inodes " + report.inodeFigure;
        text += report.inodeNote.empty() ? "" : " (" + report.inodeNote + ")";
    }
    return text;
}

std::string SeveralMountsText(const std::vector<MountReport>& reports, bool errorsOnly) {
    std::vector<const MountReport*> trouble;
    for (const MountReport& report : reports) {
        if (report.state != State::Ok) {
            trouble.push_back(&report);
        }
    }
    std::ranges::stable_sort(trouble, [](const MountReport* a, const MountReport* b) {
        return Rank(a->state) > Rank(b->state);
    });
    std::string text;
    for (const MountReport* report : trouble) {
        text += (text.empty() ? "" : ", ") + report->mount + " " + ReportText(*report);
    }
    const std::size_t ok = reports.size() - trouble.size();
    if (trouble.empty()) {
        return ok == 1 ? "1 mount OK" : std::to_string(ok) + " mounts OK";
    }
    if (ok > 0 && !errorsOnly) {
        text += "; " + std::to_string(ok) + (ok == 1 ? " other OK" : " others OK");
    }
    return text;
}

std::string PluginLine(State state, const std::string& text,
                       const std::vector<std::string>& perfdata) {
    std::string line = std::string("DISK ") + StateName(state) + " - " + PluginText(text);
    std::string data;
    for (const std::string& item : perfdata) {
        if (!item.empty()) {
            data += (data.empty() ? "" : " ") + item;
        }
    }
    return data.empty() ? line : line + " | " + data;
}

std::string JsonLine(const CheckOutcome& outcome, State state, const MountReport* report) {
    return std::string("{\"result\":") + (outcome.result ? "true" : "false") + ",\"state\":\"" +
           StateName(state) + "\",\"text\":" + JsonString(outcome.text) +
           ",\"refused\":" + JsonFlag(outcome.status == CheckStatus::Refused) + ",\"failed\":" +
           JsonFlag(outcome.status == CheckStatus::Failed ||
                    outcome.status == CheckStatus::TimedOut) +
           ",\"timedOut\":" + JsonFlag(outcome.status == CheckStatus::TimedOut) +
           ",\"unknownMount\":" + JsonFlag(outcome.status == CheckStatus::UnknownMount) +
           ",\"record\":" + (outcome.record ? JsonRecord(*outcome.record) : "null") +
           ",\"inodes\":" + (report && report->inodes ? InodeJson(*report->inodes) : "null") +
           ",\"blockSize\":" + std::to_string(outcome.blockSize) +
           ",\"elapsedMs\":" + std::to_string(outcome.elapsed.count()) + "}";
}

std::string JsonLine(State state, const std::string& text,
                     const std::vector<MountReport>& reports) {
    std::string mounts;
    for (const MountReport& report : reports) {
        mounts += std::string(mounts.empty() ? "" : ",") +
                  "{\"mount\":" + JsonString(report.mount) + ",\"state\":\"" +
                  StateName(report.state) +
                  "\",\"record\":" + (report.record ? JsonRecord(*report.record) : "null") +
                  ",\"inodes\":" + (report.inodes ? InodeJson(*report.inodes) : "null") + "}";
    }
    return std::string("{\"state\":\"") + StateName(state) + "\",\"text\":" + JsonString(text) +
           ",\"mounts\":[" + mounts + "]}";
}

}  // namespace tavrix::cli
