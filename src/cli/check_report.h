#pragma once
// How `check` reports: the monitoring-plugin state of each mount against the
// warning and critical limits, the plugin line with performance data, and JSON.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/check_run.h"
#include "host/evaluation.h"

namespace tavrix::cli {

enum class State { Ok, Warning, Critical, Unknown };

const char* StateName(State state);
// "OK", "WARNING", "CRITICAL", "UNKNOWN", exactly; nullopt for anything else.
std::optional<State> StateNamed(std::string_view name);
int ExitCode(State state);
// Critical outranks warning, warning unknown, unknown OK: a full disk pages
// even when another mount is missing from the listing.
State Worse(State a, State b);

// Free space below which a mount is critical or warning, in the check's unit
// (free percent for "%"). Equal counts as enough, as in the check run.
struct Limits {
    std::optional<double> warning;
    std::optional<double> critical;
};

// One mount judged against the limits.
struct MountReport {
    std::string mount;  // as asked for (or as listed, for --all)
    State state = State::Unknown;
    std::string figure;    // "4.1 GB", or "45 % free" for "%"
    std::string note;      // "below the critical 5 GB"; empty when within the limits
    std::string perfdata;  // empty for a mount the listing lacks
    std::optional<MountRecord> record;
    std::string trend;  // JSON of the time left; empty without a kept trend
};

// `record` null: the listing lacks the mount.
MountReport JudgeMount(const std::string& mount, const MountRecord* record,
                       const EvaluationSettings& settings, const Limits& limits);

// "/var 4.1 GB (below the critical 5 GB), /x not listed; 6 others OK": the
// mounts in trouble first, worst first.
std::string SeveralMountsText(const std::vector<MountReport>& reports);

// A performance-data label as the mounts' items have it: quoted, a quote
// doubled, "=" and "|" replaced.
std::string PerfdataLabel(const std::string& name);

// "DISK <STATE> - <text> | <perfdata>...", one line, UTF-8.
std::string PluginLine(State state, const std::string& text,
                       const std::vector<std::string>& perfdata);

// `trend`: the mount's JSON of the time left, empty for none.
std::string JsonLine(const CheckOutcome& outcome, State state, const std::string& trend = {});
std::string JsonLine(State state, const std::string& text, const std::vector<MountReport>& reports);

}  // namespace tavrix::cli
