#include "cli/cli_settings.h"

#include <optional>

#include "cli/cli_platform.h"
#include "cli/cli_text.h"
#include "cli/secret_file.h"
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

// How many of `options` the command line gives.
std::size_t CountGiven(const Arguments& args, const std::vector<OptionInfo>& options) {
    std::size_t given = 0;
    for (const auto& option : options) {
        given += args.Has(option.name) ? 1 : 0;
    }
    return given;
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
    return CountGiven(args, SettingOptions()) > 0;
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
        return ToCore(ReadSecretFile(*file, "the password file"), "the password");
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

std::vector<OptionInfo> ParameterOptions() {
    return {{"--parameters", "-P", true},
            {"--parameters-file", "", true},
            {"--parameters-env", "", true}};
}

std::string ParameterOptionsHelp() {
    return "  --parameters-file FILE a stored parameter string from FILE (one line end\n"
           "                         dropped); keeps its password out of the process list\n"
           "  --parameters-env VAR   a stored parameter string from environment variable VAR\n"
           "  -P PARAMETERS          a stored parameter string as an argument: its password\n"
           "                         shows in the process list\n";
}

bool HasStoredParameters(const Arguments& args) {
    return CountGiven(args, ParameterOptions()) > 0;
}

namespace {

// The stored string from -P, --parameters-file or --parameters-env, if any.
std::optional<std::string> StoredParameters(const Arguments& args) {
    if (CountGiven(args, ParameterOptions()) > 1) {
        throw UsageError("give one of -P, --parameters-file and --parameters-env");
    }
    if (const auto text = args.Value("--parameters")) {
        return ToCore(*text, "-P");
    }
    if (const auto file = args.Value("--parameters-file")) {
        return ToCore(ReadSecretFile(*file, "the parameter file"), "the parameter file");
    }
    if (const auto variable = args.Value("--parameters-env")) {
        const auto value = EnvironmentVariable(*variable);
        if (!value) {
            throw UsageError("the environment variable " + *variable + " is not set");
        }
        return ToCore(*value, "--parameters-env");
    }
    return std::nullopt;
}

}  // namespace

std::string ParametersFromArguments(const Arguments& args, bool mountRequired,
                                    const SettingOverrides& overrides) {
    const bool hasOptions = HasAnySettingOption(args);
    if (auto stored = StoredParameters(args)) {
        if (hasOptions) {
            throw UsageError("give a stored parameter string or the setting options, not both");
        }
        return std::move(*stored);
    }
    if (!hasOptions) {
        throw UsageError(
            "give --parameters-file FILE, -P PARAMETERS or the setting options (--user, --os, "
            "...)");
    }
    FormValues values = FormValuesFromOptions(args, mountRequired);
    if (overrides.unit) {
        values.unitIndex = PositionOption(kUnitCodes, *overrides.unit, "--unit");
    }
    if (overrides.compareValue) {
        values.compareValue = *overrides.compareValue;
    }
    return BuildParameterString(values);
}

}  // namespace tavrix::cli
