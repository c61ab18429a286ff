#include "cli/check_report.h"

#include "cli/cli_text.h"

namespace tavrix::cli {

namespace {

// Plugin output is one line, and "|" starts the performance data.
std::string PluginText(const std::string& ansi) {
    std::string text;
    for (char c : ansi) {
        text += (c == '|') ? '/' : (c == '\r' || c == '\n') ? ' ' : c;
    }
    return ForTerminal(text);
}

// A performance data label: quoted, a quote doubled, "=" not allowed.
std::string PerfLabel(const std::string& mount) {
    std::string label = "'";
    for (char c : mount) {
        if (c == '\'') {
            label += "''";
        } else if (c == '=') {
            label += '_';
        } else {
            label += c;
        }
    }
    return ForTerminal(label + "'");
}

const char* JsonFlag(bool flag) {
    return flag ? "true" : "false";
}

}  // namespace

State StateOf(const CheckOutcome& outcome) {
    if (outcome.result) {
        return State::Ok;
    }
    if (outcome.status != CheckStatus::Evaluated || !outcome.record) {
        return State::Unknown;
    }
    return State::Critical;
}

const char* StateName(State state) {
    switch (state) {
        case State::Ok:
            return "OK";
        case State::Critical:
            return "CRITICAL";
        case State::Unknown:
            return "UNKNOWN";
    }
    return "UNKNOWN";
}

int ExitCode(State state) {
    switch (state) {
        case State::Ok:
            return kExitOk;
        case State::Critical:
            return kExitCritical;
        case State::Unknown:
            return kExitUnknown;
    }
    return kExitUnknown;
}

std::string NagiosLine(const CheckOutcome& outcome, State state, const std::string& mount) {
    std::string line = std::string("DISK ") + StateName(state) + " - " + PluginText(outcome.text);
    if (outcome.record && outcome.status == CheckStatus::Evaluated) {
        const double blockSize = outcome.blockSize;
        line += " | " + PerfLabel(mount) + "=" +
                PlainWholeNumber(outcome.record->Available * blockSize) + "B;;;0;" +
                PlainWholeNumber(static_cast<double>(outcome.record->Size) * blockSize);
    }
    return line;
}

std::string JsonLine(const CheckOutcome& outcome, State state) {
    return std::string("{\"result\":") + (outcome.result ? "true" : "false") + ",\"state\":\"" +
           StateName(state) + "\",\"text\":" + JsonString(outcome.text) +
           ",\"refused\":" + JsonFlag(outcome.status == CheckStatus::Refused) +
           ",\"failed\":" + JsonFlag(outcome.status == CheckStatus::Failed) +
           ",\"unknownMount\":" + JsonFlag(outcome.status == CheckStatus::UnknownMount) +
           ",\"record\":" + (outcome.record ? JsonRecord(*outcome.record) : "null") +
           ",\"blockSize\":" + std::to_string(outcome.blockSize) +
           ",\"elapsedMs\":" + std::to_string(outcome.elapsed.count()) + "}";
}

}  // namespace tavrix::cli
