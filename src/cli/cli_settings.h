#pragma once
// The settings options shared by `params build`, `check` and `mounts`: turned
// into the settings form's values, then into a parameter string.

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "host/parameter_string.h"

namespace tavrix::cli {

// The options of every setting (--user, --os, --mount, --password-env, ...).
std::vector<OptionInfo> SettingOptions();
std::string SettingOptionsHelp();
bool HasAnySettingOption(const Arguments& args);

// Codes given on the command line become the form's list positions; an
// unknown code is a UsageError naming the option. `mountRequired` is false for
// `mounts`, which lists every mount.
FormValues FormValuesFromOptions(const Arguments& args, bool mountRequired);

// The password from --password-env or --password-file (one trailing line end
// of the file is dropped); empty when neither is given.
std::string PasswordFromOptions(const Arguments& args);

// Validates an OS code, an end-of-line code or a unit code (UsageError).
std::string OsCodeOption(const std::string& value);
std::string EolCodeOption(const std::string& value);
std::string UnitCodeOption(const std::string& value);

// -P, --parameters-file and --parameters-env: a stored parameter string.
std::vector<OptionInfo> ParameterOptions();
std::string ParameterOptionsHelp();
bool HasStoredParameters(const Arguments& args);

// What `check` decides itself for the string it builds: the unit from -u or a
// "%" limit, the threshold without its "%".
struct SettingOverrides {
    std::optional<std::string> unit;
    std::optional<std::string> compareValue;
};

// The stored parameter string, or the string built from the setting options.
std::string ParametersFromArguments(const Arguments& args, bool mountRequired,
                                    const SettingOverrides& overrides = {});

}  // namespace tavrix::cli
