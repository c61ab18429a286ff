// tavrix-check parse: df output from a file or standard input through the
// parser, as a check would see it; optionally with the check's verdict.

#include <cstdio>
#include <string>

#include "cli/cli_platform.h"
#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "host/codes.h"
#include "host/evaluation.h"
#include "host/parameter_string.h"
#include "query/df_parser.h"
#include "query/output_capture.h"
#include "query/query_setup.h"
#include "query/query_state.h"
#include "query/remote_query.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check parse --os CODE [--mount M] [--eol CR|LF|CRLF] [--json] [FILE]\n"
    "                          [--unit U --threshold X [--block-size N] [--number]]\n"
    "\n"
    "Parses df output from FILE (or standard input, or \"-\") exactly as a check\n"
    "parses what the remote machine sends, and prints the header line, every\n"
    "record and the record count. Lines of other mounts leave empty records, as\n"
    "they do in a check. Control characters show as \\r, \\t, \\xNN.\n"
    "\n"
    "  --os CODE        LINUX, BSD, SOLARIS, HPUX, TRUE64, SUNOS, AIX, HPUX11,\n"
    "                   SCO5, BRWDF, VMESX, VMESX4\n"
    "  --mount M        keep only the lines of mount M (as a check does)\n"
    "  --eol E          line end of the output (default LF)\n"
    "  --json           one JSON object\n"
    "  --unit U         with --threshold: also print what a check would answer\n"
    "                   (B, KB, MB, GB, TB, %; needs --mount)\n"
    "  --threshold X    alert when less than X units are free\n"
    "  --block-size N   bytes per df block (default: 512 for TRUE64 and AIX, else 1024)\n"
    "  --number         result text without the sentence\n"
    "  --trace          show the parser's traces on standard error\n"
    "\n"
    "Exit status: 0, or with --unit: 0 enough free space, 2 too little, 3 unknown\n"
    "mount or error.\n";

// Reads as the SSH client delivers (pieces of at most 32767 bytes) and hands
// the parser what the remote query's capture hands it, so that the records are
// those a check would get.
void FeedParser(std::FILE* input, const std::string& eol) {
    constexpr std::size_t kPiece = 32767;
    OutputCapture capture;
    capture.Reset(gExpectHeader);
    std::string buffer(kPiece, '\0');
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), input)) > 0) {
        const std::string ready =
            capture.Take(std::string_view(buffer.data(), got), LineSeparator(eol));
        if (!ready.empty()) {
            Splitt_in_lines(ready);
        }
    }
    const std::string rest = capture.TakeRest();
    if (!rest.empty()) {
        Splitt_in_lines(rest);
    }
}

std::optional<EvaluationSettings> EvaluationFromOptions(const Arguments& args,
                                                        const std::string& os,
                                                        const std::string& mount) {
    const bool wanted = args.Has("--unit") || args.Has("--threshold") || args.Has("--block-size") ||
                        args.Has("--number");
    if (!wanted) {
        return std::nullopt;
    }
    if (!args.Has("--mount")) {
        throw UsageError("--mount is required to evaluate a mount");
    }
    EvaluationSettings settings;
    settings.resource = mount;
    settings.os = os;
    settings.unit = UnitCodeOption(args.Required("--unit"));
    const std::string threshold = args.Required("--threshold");
    if (!HoldsKeyNumber(threshold)) {
        throw UsageError("--threshold must be a number");
    }
    settings.compareValue = ReadKeyNumber(threshold);
    const std::string blockSize =
        args.Value("--block-size").value_or(std::to_string(DefaultBlockSize(os)));
    if (!HoldsKeyNumber(blockSize)) {
        throw UsageError("--block-size must be a number");
    }
    settings.blockSize = NarrowToInt32(ReadKeyNumber(blockSize));
    settings.returnAsNumber = args.Has("--number");
    return settings;
}

int VerdictExitCode(const Verdict& verdict) {
    if (!verdict.recordIndex) {
        return kExitUnknown;
    }
    return verdict.enough ? kExitOk : kExitCritical;
}

void PrintText(const QueryOutcome& parsed, const std::optional<Verdict>& verdict) {
    PrintLine("Header: " + ForTerminal(parsed.header));
    PrintLine("#\tFilesystem\tFsType\tSize\tUsed\tAvailable\tPercentUsed\tMount");
    for (std::size_t i = 0; i < parsed.records.size(); ++i) {
        const MountRecord& r = parsed.records[i];
        PrintLine(std::to_string(i) + "\t" + ForTerminal(r.Filesystem) + "\t" +
                  ForTerminal(r.FsType) + "\t" + std::to_string(r.Size) + "\t" +
                  FormatNumber(r.Used) + "\t" + FormatNumber(r.Available) + "\t" +
                  std::to_string(r.PercentUsed) + "\t" + ForTerminal(r.Mount));
    }
    PrintLine("Records: " + std::to_string(parsed.records.size()));
    if (verdict) {
        PrintLine("Result: " + ForTerminal(verdict->text));
        PrintLine(std::string("Enough: ") + (verdict->enough ? "true" : "false"));
    }
}

void PrintJson(const QueryOutcome& parsed, const std::optional<Verdict>& verdict) {
    std::string json = "{\"header\":" + JsonString(parsed.header) +
                       ",\"count\":" + std::to_string(parsed.records.size()) + ",\"records\":[";
    for (std::size_t i = 0; i < parsed.records.size(); ++i) {
        json += (i == 0 ? "" : ",") + JsonRecord(parsed.records[i]);
    }
    json += "]";
    if (verdict) {
        json += ",\"result\":" + std::string(verdict->enough ? "true" : "false") +
                ",\"text\":" + JsonString(verdict->text) + ",\"recordIndex\":" +
                (verdict->recordIndex ? std::to_string(*verdict->recordIndex) : "null");
    }
    PrintLine(json + "}");
}

}  // namespace

int RunParse(const std::vector<std::string>& argList) {
    const Arguments args(argList, WithCommonOptions({{"--os", "", true},
                                                     {"--mount", "", true},
                                                     {"--eol", "", true},
                                                     {"--json", "", false},
                                                     {"--unit", "", true},
                                                     {"--threshold", "", true},
                                                     {"--block-size", "", true},
                                                     {"--number", "", false}}));
    if (HandleCommonOptions(args, kHelp)) {
        return kExitOk;
    }
    const std::string os = OsCodeOption(args.Required("--os"));
    const std::string eol = EolCodeOption(args.Value("--eol").value_or("LF"));
    const std::string mount = ToCore(args.Value("--mount").value_or(""), "--mount");
    const auto evaluation = EvaluationFromOptions(args, os, mount);
    if (args.Positionals().size() > 1) {
        throw UsageError("parse reads one FILE at most");
    }

    FilePtr file;
    std::FILE* input = stdin;
    if (!args.Positionals().empty() && args.Positionals()[0] != "-") {
        file = OpenForReading(args.Positionals()[0]);
        if (!file) {
            throw UsageError("cannot read " + args.Positionals()[0]);
        }
        input = file.get();
    }

    // The query state as a check sets it before its query starts.
    QueryInputs inputs;
    inputs.os = os;
    inputs.eol = eol;
    inputs.resource = mount;
    SetUpCheckQuery(inputs);
    FeedParser(input, eol);
    const QueryOutcome parsed = CurrentQueryOutcome();

    std::optional<Verdict> verdict;
    if (evaluation) {
        verdict =
            EvaluateRecords(parsed.records, static_cast<int>(parsed.records.size()), *evaluation);
    }
    if (args.Has("--json")) {
        PrintJson(parsed, verdict);
    } else {
        PrintText(parsed, verdict);
    }
    return verdict ? VerdictExitCode(*verdict) : kExitOk;
}

}  // namespace tavrix::cli
