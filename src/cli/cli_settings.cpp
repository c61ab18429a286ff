#include "cli/cli_settings.h"

#include <cstdio>

#include "cli/cli_platform.h"
#include "cli/cli_text.h"
#include "host/codes.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

template <typename Codes>
std::string CodeList(const Codes& codes) {
    std::string list;
    for (const auto& code : codes) {
        list += (list.empty() ? "" : ", ") + std::string(code);
    }
    return list;
}

template <typename Codes>
int PositionOption(const Codes& codes, const std::string& value, const std::string& option) {
    const int position = PositionOf(codes, value);
    if (position < 0) {
        throw UsageError(option + " must be one of " + CodeList(codes) + " (exactly, in capitals)");
    }
    return position;
}

std::string ReadPasswordFile(const std::string& path) {
    const FilePtr file = OpenForReading(path);
    if (!file) {
        throw UsageError("cannot read the password file " + path);
    }
    if (ReadableByOthers(file.get())) {
        PrintError("tavrix-check: warning: the password file " + path +
                   " may be read by its group or others (chmod 600 " + path + ")");
    }
    std::string content;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        content.append(buffer, got);
    }
    // Editors end a file with a line end; it is not part of the password.
    if (!content.empty() && content.back() == '\n') {
        content.pop_back();
        if (!content.empty() && content.back() == '\r') {
            content.pop_back();
        }
    }
    return content;
}

}  // namespace

std::vector<OptionInfo> SettingOptions() {
    return {{"--user", "-l", true, {"--logname"}},
            {"--password-env", "", true},
            {"--password-file", "", true},
            {"--protocol", "", true},
            {"--port", "-p", true},
            {"--keyfile", "-i", true, {"--identity"}},
            {"--keytype", "", true},
            {"--os", "", true},
            {"--block-size", "", true},
            {"--mount", "", true},
            {"--unit", "", true},
            {"--critical", "-c", true, {"--threshold"}},
            {"--eol", "", true},
            {"--number", "", false}};
}

std::string SettingOptionsHelp() {
    return "  -l, --user NAME        login user name (also --logname)\n"
           "  --password-env VAR     take the password from environment variable VAR\n"
           "  --password-file FILE   take the password from FILE (one line end dropped;\n"
           "                         a warning when the group or others may read it)\n"
           "  -i, --keyfile PATH     private key file (also --identity; the password is\n"
           "                         its pass phrase)\n"
           "  --keytype RSA|DSA      key type (default RSA)\n"
           "  --protocol 1|2|A       SSH protocol (default A)\n"
           "  -p, --port N           SSH port (default 22)\n"
           "  --os CODE              " +
           CodeList(kOsCodes) +
           "\n"
           "  --mount M              the mount to check\n"
           "  --block-size N         256, 512, 1024, 2048, 4096, 8192 (default: 512 for\n"
           "                         TRUE64 and AIX, else 1024)\n"
           "  --unit U               " +
           CodeList(kUnitCodes) +
           " (default B)\n"
           "  -c, --critical X       critical when less than X units are free (also\n"
           "                         --threshold; default 0)\n"
           "  --eol CR|LF|CRLF       line end of the remote output (default LF)\n"
           "  --number               result text without the sentence (for graphing)\n";
}

bool HasAnySettingOption(const Arguments& args) {
    for (const auto& option : SettingOptions()) {
        if (args.Has(option.name)) {
            return true;
        }
    }
    return false;
}

std::string OsCodeOption(const std::string& value) {
    return std::string(kOsCodes[static_cast<std::size_t>(PositionOption(kOsCodes, value, "--os"))]);
}

std::string EolCodeOption(const std::string& value) {
    return std::string(
        kEolCodes[static_cast<std::size_t>(PositionOption(kEolCodes, value, "--eol"))]);
}

std::string UnitCodeOption(const std::string& value) {
    return std::string(
        kUnitCodes[static_cast<std::size_t>(PositionOption(kUnitCodes, value, "--unit"))]);
}

std::string PasswordFromOptions(const Arguments& args) {
    const auto variable = args.Value("--password-env");
    const auto file = args.Value("--password-file");
    if (variable && file) {
        throw UsageError("give --password-env or --password-file, not both");
    }
    if (variable) {
        const auto value = EnvironmentVariable(*variable);
        if (!value) {
            throw UsageError("the environment variable " + *variable + " is not set");
        }
        return ToCore(*value, "the password");
    }
    if (file) {
        return ToCore(ReadPasswordFile(*file), "the password");
    }
    return {};
}

FormValues FormValuesFromOptions(const Arguments& args, bool mountRequired) {
    FormValues values;
    values.username = ToCore(args.Required("--user"), "--user");
    values.password = PasswordFromOptions(args);
    const std::string os = OsCodeOption(args.Required("--os"));
    values.osIndex = PositionOf(kOsCodes, os);
    values.resource = ToCore(
        mountRequired ? args.Required("--mount") : args.Value("--mount").value_or(""), "--mount");
    values.protocolIndex =
        PositionOption(kProtocolCodes, args.Value("--protocol").value_or("A"), "--protocol");
    values.port = ToCore(args.Value("--port").value_or("22"), "--port");
    values.keyfile = ToCore(args.Value("--keyfile").value_or(""), "--keyfile");
    values.keyTypeIndex =
        PositionOption(kKeyTypeCodes, args.Value("--keytype").value_or("RSA"), "--keytype");
    const std::string blockSize =
        args.Value("--block-size").value_or(std::to_string(DefaultBlockSize(os)));
    values.blockSizeIndex = -1;
    for (std::size_t i = 0; i < kBlockSizes.size(); ++i) {
        if (blockSize == std::to_string(kBlockSizes[i])) {
            values.blockSizeIndex = static_cast<int>(i);
        }
    }
    if (values.blockSizeIndex < 0) {
        throw UsageError("--block-size must be one of 256, 512, 1024, 2048, 4096, 8192");
    }
    values.unitIndex = PositionOption(kUnitCodes, args.Value("--unit").value_or("B"), "--unit");
    values.compareValue = ToCore(args.Value("--critical").value_or(""), "-c");
    values.eolIndex = PositionOption(kEolCodes, args.Value("--eol").value_or("LF"), "--eol");
    values.returnAsNumber = args.Has("--number");
    return values;
}

std::string ParametersFromArguments(const Arguments& args, bool mountRequired) {
    const bool hasOptions = HasAnySettingOption(args);
    if (args.Has("--parameters")) {
        if (hasOptions) {
            throw UsageError("give -P PARAMETERS or the setting options, not both");
        }
        return ToCore(*args.Value("--parameters"), "-P");
    }
    if (!hasOptions) {
        throw UsageError("give -P PARAMETERS or the setting options (--user, --os, ...)");
    }
    const FormValues values = FormValuesFromOptions(args, mountRequired);
    return BuildParameterString(values);
}

}  // namespace tavrix::cli
