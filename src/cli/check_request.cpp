#include "cli/check_request.h"

#include <algorithm>

#include "cli/cli_settings.h"
#include "cli/cli_text.h"
#include "cli/filesystem_types.h"
#include "cli/host_key_options.h"
#include "host/codes.h"
#include "host/parameter_string.h"
#include "query/df_command.h"
#include "support/numbers.h"

namespace tavrix::cli {

namespace {

// check_disk's default unit for limits without one.
constexpr const char* kDefaultUnit = "MB";

// The options that leave listed mounts out: only a listing of every mount has any.
const std::vector<std::pair<std::string, std::string>> kAllOnlyOptions = {
    {"--exclude", "--exclude"},
    {"--exclude-device", "-x"},
    {"--include-type", "--include-type"},
    {"--exclude-type", "--exclude-type"},
    {"--include-pseudo", "--include-pseudo"}};

std::string Shown(const std::optional<std::string>& value) {
    return value.value_or("");
}

// The unit the check's parameter string gets: "%" for limits written with
// "%", else --unit or -u, else check_disk's MB.
std::string ChosenUnit(const Arguments& args, const SpaceLimits& space) {
    const std::optional<std::string> unit = UnitOption(args);
    if (space.percent) {
        if (unit && *unit != kPercentUnit) {
            const std::string option = args.Has("--warning") ? "-w" : "-c";
            throw UsageError(option + " " +
                             Shown(args.Value(option == "-w" ? "--warning" : "--critical")) +
                             " is free percent: it does not go with a unit (" +
                             (args.Has("--unit") ? "--unit " : "-u ") + *unit + ")");
        }
        return std::string(kPercentUnit);
    }
    return unit.value_or(kDefaultUnit);
}

// A type filter needs a df that prints types, and names a type that exists.
void CheckTypeFilters(const Arguments& args, const std::string& os) {
    for (const char* name : {"--include-type", "--exclude-type"}) {
        const std::vector<std::string> values = args.Values(name);
        if (values.empty()) {
            continue;
        }
        if (!DfPrintsTypes(os)) {
            throw UsageError(std::string(name) + ": df on " + (os.empty() ? "this OS" : os) +
                             " lists no file system types");
        }
        for (const std::string& value : values) {
            if (!IsTypePattern(value) && !IsKnownFileSystemType(value)) {
                throw UsageError(std::string(name) + ": " + value +
                                 " is no file system type this check knows (write a pattern "
                                 "such as '" +
                                 value + "*' to use it anyway)");
            }
        }
    }
}

}  // namespace

std::vector<OptionInfo> CheckOptions() {
    auto known = SettingOptions();
    for (OptionInfo& option : known) {
        if (option.name == "--mount") {
            option.aliases = {"--path", "--partition"};  // check_disk's names
        }
    }
    known.push_back({"--host", "-H", true, {"--hostname"}});
    known.push_back({"--timeout", "-t", true});
    for (const auto& option : ParameterOptions()) {
        known.push_back(option);
    }
    known.push_back({"--warning", "-w", true});
    known.push_back({"--iwarning", "-W", true});
    known.push_back({"--icritical", "-K", true});
    known.push_back({"--units", "-u", true});
    known.push_back({"--all", "-A", false});
    known.push_back({"--exclude", "", true});
    known.push_back({"--exclude-device", "-x", true, {"--exclude_device"}});
    known.push_back({"--include-type", "-N", true});
    known.push_back({"--exclude-type", "-X", true});
    known.push_back({"--include-pseudo", "", false});
    known.push_back({"--errors-only", "-e", false});
    known.push_back({"--format", "", true});
    known.push_back(ModernOnlyOption());
    for (const OptionInfo& option : HostKeyOptions()) {
        known.push_back(option);
    }
    return known;
}

std::string CheckOptionsHelp() {
    return "  -H, --host HOST        the machine (also --hostname)\n"
           "  -t, --timeout S[:ST]   time-out in whole seconds (default 10), and the state\n"
           "                         a time-out reports: OK, WARNING, CRITICAL or UNKNOWN\n"
           "                         (default UNKNOWN)\n"
           "  -w, --warning X        warning when less than X units are free; X% (and\n"
           "                         -c X%): less than X percent free, without a unit\n"
           "  -W, --iwarning X%      warning when less than X percent of the inodes are free\n"
           "  -K, --icritical X%     critical when less than X percent of the inodes are free\n"
           "  -u, --units U          check_disk's unit names: bytes or B, kB or KB, MB, GB,\n"
           "                         TB (1024-based); without -u or --unit, MB\n"
           "  --path M, --partition M  the mount to check, as --mount (repeatable)\n"
           "  -A, --all              every mount that df lists, less pseudo file systems\n"
           "  --include-pseudo       with --all: pseudo file systems too (see below)\n"
           "  --exclude GLOB         with --all: leave out mounts matching GLOB (*, ?, [..];\n"
           "                         * matches / too), repeatable\n"
           "  -x, --exclude-device P with --all: leave out the mount or file system named P\n"
           "  -N, --include-type T   with --all: only file systems of a type matching T\n"
           "  -X, --exclude-type T   with --all: leave out types matching T (both need a df\n"
           "                         that lists types)\n"
           "  -e, --errors-only      name only the mounts in trouble, not the count of the\n"
           "                         others\n"
           "  --format plugin        DISK OK|WARNING|CRITICAL|UNKNOWN - text | perfdata (default;\n"
           "                         also --format nagios)\n"
           "  --format text          the bare result text the Windows plug-in gives\n"
           "  --format json          state, text, the records used\n";
}

CheckRequest ReadCheckRequest(const Arguments& args) {
    CheckRequest request;
    if (!args.Positionals().empty()) {
        throw UsageError("unexpected argument " + args.Positionals()[0]);
    }
    request.format = args.Value("--format").value_or("plugin");
    if (request.format != "plugin" && request.format != "nagios" && request.format != "text" &&
        request.format != "json") {
        throw UsageError("--format must be plugin (or nagios), text or json");
    }
    request.timeLimit = TimeLimitOption(args);
    const SpaceLimits space = LimitOptions(args);
    request.limits = space.limits;
    request.inodeLimits = InodeLimitOptions(args);
    request.errorsOnly = args.Has("--errors-only");

    MountChoice& choice = request.choice;
    choice.excludes = args.Values("--exclude");
    choice.excludeMounts = args.Values("--exclude-device");
    choice.includeTypes = args.Values("--include-type");
    choice.excludeTypes = args.Values("--exclude-type");
    choice.leaveOutPseudo = !args.Has("--include-pseudo");
    const bool all = args.Has("--all");
    const std::vector<std::string> mounts = args.Values("--mount");
    if (all && !mounts.empty()) {
        throw UsageError("give --all or --mount, not both");
    }
    if (!all) {
        for (const auto& [name, shown] : kAllOnlyOptions) {
            if (args.Has(name)) {
                throw UsageError(shown + ": the options that leave mounts out go with --all (-A)");
            }
        }
    }
    request.several = all || mounts.size() > 1;

    const bool stored = HasStoredParameters(args);
    const bool anyLimit = space.limits.warning || space.limits.critical ||
                          request.inodeLimits.warning || request.inodeLimits.critical;
    if (!stored && !anyLimit) {
        throw UsageError("-w or -c is required (free units, or free percent such as -w 10%)");
    }
    request.host = ToCore(args.Required("--host"), "-H");
    SettingOverrides overrides;
    if (!stored) {
        overrides.unit = ChosenUnit(args, space);
        if (space.percent && space.limits.critical) {
            overrides.compareValue = FormatNumber(*space.limits.critical);
        }
    }
    request.parameters =
        WithHostKeyOption(args, ParametersFromArguments(args, !request.several, overrides));
    if (stored) {
        request.limits.critical = ReadKeyNumber(GetKeyValue(request.parameters, "COM"));
        const std::string unit = GetKeyValue(request.parameters, "UNIT");
        if (space.percent && unit != kPercentUnit) {
            throw UsageError("-w " + Shown(args.Value("--warning")) +
                             " is free percent; the stored parameter string's unit is " + unit);
        }
    }
    CheckTypeFilters(args, GetKeyValue(request.parameters, "OS"));
    if (request.several) {
        for (const std::string& mount : mounts) {
            choice.mounts.push_back(ToCore(mount, "--mount"));
        }
    }
    return request;
}

}  // namespace tavrix::cli
