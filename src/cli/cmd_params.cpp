// tavrix-check params show|build: read a parameter string as the check run
// reads it, or build one as the settings form's OK button does.

#include <cmath>
#include <string>

#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "host/codes.h"
#include "host/parameter_string.h"
#include "support/base64.h"
#include "support/codepage.h"
#include "support/failure.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

const char* const kHelp =
    "Usage: tavrix-check params show [--show-password] PARAMETERS\n"
    "       tavrix-check params build --user NAME --os CODE --mount M [options]\n"
    "\n"
    "show prints every key of a parameter string as a check reads it (the\n"
    "password masked unless --show-password), with the numbers PORT, BLK and COM\n"
    "read as. build prints a new parameter string from the options below; the\n"
    "password is taken from an environment variable or a file, never from the\n"
    "command line. --hostkey \"TYPE SHA256:HASH\" pins the machine's host key\n"
    "(HKEY; tavrix-check hostkey prints it): checks then trust only that key.\n"
    "\n";

std::string Note(const std::string& text) {
    return text.empty() ? "" : "   (" + text + ")";
}

template <typename Codes>
std::string CodeNote(const Codes& codes, const std::string& value, const std::string& ifEmpty,
                     const std::string& ifUnknown) {
    if (value.empty()) {
        return ifEmpty;
    }
    return PositionOf(codes, value) < 0 ? ifUnknown : "";
}

// What the check run makes of a number it narrows; the text of its failure otherwise.
template <typename Narrow>
std::string NarrowedNote(const std::string& value, Narrow narrow, const std::string& range) {
    const double number = ReadKeyNumber(value);
    try {
        return "reads as " + std::to_string(narrow(number));
    } catch (const Failure&) {
        return "reads as " + FormatNumber(number) + ", outside " + range + ": the check fails";
    }
}

std::string PasswordShown(const std::string& encoded, bool showPassword) {
    std::string decoded;
    try {
        decoded = Base64Decode(encoded);
    } catch (const Failure& failure) {
        return "(cannot be decoded: " + failure.Description() + "; the check fails)";
    }
    if (decoded.empty()) {
        return "(empty)";
    }
    return showPassword ? ForTerminal(decoded) : "(set; --show-password shows it)";
}

int Show(const Arguments& args) {
    if (args.Positionals().size() != 2) {
        throw UsageError("params show takes one PARAMETERS string");
    }
    const std::string parameters = ToCore(args.Positionals()[1], "PARAMETERS");
    auto value = [&](const char* key) { return GetKeyValue(parameters, key); };
    auto line = [](const std::string& key, const std::string& shown, const std::string& note) {
        std::string padded = key;
        padded.resize(7, ' ');
        PrintLine(padded + shown + Note(note));
    };
    auto shown = [](const std::string& text) { return ForTerminal(text); };

    line("USR", shown(value("USR")), value("USR").empty() ? "empty: the check refuses" : "");
    line("PWD", PasswordShown(value("PWD"), args.Has("--show-password")), "");
    line("PROTO", shown(value("PROTO")),
         CodeNote(kProtocolCodes, value("PROTO"), "empty: either protocol",
                  "unknown: either protocol"));
    line("PORT", shown(value("PORT")),
         NarrowedNote(value("PORT"), NarrowToInt16, "-32768..32767") +
             (ReadKeyNumber(value("PORT")) == 0 ? ", so port 22" : ""));
    line("KEYF", shown(value("KEYF")), value("KEYF").empty() ? "login by password" : "");
    line("KEYT", shown(value("KEYT")), CodeNote(kKeyTypeCodes, value("KEYT"), "RSA", "RSA"));
    line("OS", shown(value("OS")),
         CodeNote(kOsCodes, value("OS"), "empty: no command is sent",
                  "unknown code (case counts): no command is sent"));
    line("BLK", shown(value("BLK")), NarrowedNote(value("BLK"), NarrowToInt32, "the 32-bit range"));
    line("RES", shown(value("RES")), value("RES").empty() ? "empty: every mount is listed" : "");
    line("UNIT", shown(value("UNIT")),
         CodeNote(kUnitCodes, value("UNIT"), "empty: bytes, no unit name",
                  "unknown: bytes, the text shows it as the unit"));
    line("COM", shown(value("COM")), "reads as " + FormatNumber(ReadKeyNumber(value("COM"))));
    line("EOL", shown(value("EOL")),
         CodeNote(kEolCodes, value("EOL"), "empty: line feed", "unknown: line feed"));
    line("RAN", shown(value("RAN")), value("RAN") == "1" ? "figure only" : "whole sentence");
    line("HKEY", shown(value("HKEY")),
         value("HKEY").empty() ? "empty: any host key is accepted" : "only this host key");
    return kExitOk;
}

int Build(const Arguments& args) {
    if (args.Positionals().size() != 1) {
        throw UsageError("params build takes options only");
    }
    FormValues values = FormValuesFromOptions(args, true);
    values.hostKey = args.Value("--hostkey").value_or("");
    PrintLine(AnsiToUtf8(BuildParameterString(values)));
    return kExitOk;
}

}  // namespace

int RunParams(const std::vector<std::string>& argList) {
    auto known = SettingOptions();
    known.push_back({"--show-password", "", false});
    known.push_back({"--hostkey", "", true});
    const Arguments args(argList, WithCommonOptions(known));
    if (HandleCommonOptions(args, kHelp + SettingOptionsHelp())) {
        return kExitOk;
    }
    const std::string action = args.Positionals().empty() ? "" : args.Positionals()[0];
    if (action == "show") {
        return Show(args);
    }
    if (action == "build") {
        return Build(args);
    }
    throw UsageError("params needs show or build");
}

}  // namespace tavrix::cli
