#include "cli/trend_options.h"

#include <cmath>

#include "cli/cli_text.h"
#include "support/numbers.h"
#include "support/regular_file.h"

namespace tavrix::cli {

namespace {

constexpr double kMaxHours = 24.0 * 366;
// Six minutes: a shorter window could never hold two samples far enough
// apart for a fit.
constexpr double kLeastWindowHours = 0.1;
static_assert(kLeastWindowHours * 3600 > kMinTrendSpanSeconds);

double Hours(const Arguments& args, const std::string& option, double least = 0) {
    const std::string value = *args.Value(option);
    const std::optional<double> hours = ReadWholeNumber(value);
    if (!hours || !std::isfinite(*hours) || *hours < least || *hours <= 0 || *hours > kMaxHours) {
        throw UsageError(option + " must be hours such as 24 or 1.5 (" +
                         (least > 0 ? "at least " + FormatNumber(least) + ", " : "") +
                         "at most a year), not \"" + value + "\"");
    }
    return *hours;
}

std::optional<double> OptionalHours(const Arguments& args, const std::string& option) {
    return args.Has(option) ? std::optional<double>(Hours(args, option)) : std::nullopt;
}

}  // namespace

const char* const kTrendOptionsHelp =
    "\n"
    "Time until full (keeps state between checks):\n"
    "  --state-dir DIR        keep each mount's samples in DIR (created 0700 when\n"
    "                         missing; owned by the engine's user) and fit the\n"
    "                         growth of its used space\n"
    "  --trend-hours H        the window of the fit (default 24)\n"
    "  --hours-left-warning H\n"
    "                         warning when the mount is full in fewer than H hours\n"
    "  --hours-left-critical H\n"
    "                         critical likewise; a steady or shrinking mount never\n"
    "                         alarms on time left\n";

std::vector<OptionInfo> TrendOptions() {
    return {{"--state-dir", "", true},
            {"--trend-hours", "", true},
            {"--hours-left-warning", "", true},
            {"--hours-left-critical", "", true}};
}

std::optional<TrendSettings> TrendOptionsOf(const Arguments& args) {
    if (!args.Has("--state-dir")) {
        for (const OptionInfo& option : TrendOptions()) {
            if (args.Has(option.name)) {
                throw UsageError(option.name + " needs --state-dir");
            }
        }
        return std::nullopt;
    }
    TrendSettings settings;
    settings.shownDir = ToCore(*args.Value("--state-dir"), "--state-dir");
    if (settings.shownDir.empty()) {
        throw UsageError("--state-dir needs a directory");
    }
    settings.dir = PathFromCoreText(settings.shownDir);
    if (args.Has("--trend-hours")) {
        settings.windowSeconds =
            std::llround(Hours(args, "--trend-hours", kLeastWindowHours) * 3600);
    }
    settings.limits.warning = OptionalHours(args, "--hours-left-warning");
    settings.limits.critical = OptionalHours(args, "--hours-left-critical");
    return settings;
}

}  // namespace tavrix::cli
