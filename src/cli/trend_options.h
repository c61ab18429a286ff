#pragma once
// The options of `check` that keep the trend: --state-dir turns it on,
// --trend-hours sets the window, --hours-left-warning/-critical the limits.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/trend_text.h"

namespace tavrix::cli {

struct TrendSettings {
    std::filesystem::path dir;
    std::string shownDir;  // core text, as given
    std::int64_t windowSeconds = 24 * 3600;
    HoursLeftLimits limits;
};

std::vector<OptionInfo> TrendOptions();
extern const char* const kTrendOptionsHelp;

// nullopt without --state-dir. UsageError for a limit or window without it,
// and for hours that are not a plain positive number.
std::optional<TrendSettings> TrendOptionsOf(const Arguments& args);

}  // namespace tavrix::cli
