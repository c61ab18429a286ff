#pragma once
// How `check` reports: the monitoring-plugin state of each mount against the
// warning and critical limits, the plugin line with performance data, and JSON.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/check_run.h"
#include "host/evaluation.h"
#include "query/inode_listing.h"

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
    // With inode limits: "3.2 % free", why the figure is missing, and the item.
    std::string inodeFigure;
    std::string inodeNote;  // "below the critical 5 %"; empty when within the limits
    std::optional<InodeRecord> inodes;
};

// `record` null: the listing lacks the mount.
MountReport JudgeMount(const std::string& mount, const MountRecord* record,
                       const EvaluationSettings& settings, const Limits& limits);

// Adds the inode figures of the mount to a judged report: the state gets
// worse with them, never better. Without figures (an OS without them, a
// listing the parser did not understand, a mount the inode df lacks) the
// inodes are UNKNOWN with the reason; a file system without a fixed number of
// inodes cannot run out of them.
void JudgeInodes(MountReport& report, const InodeListing& listing, const Limits& limits,
                 const std::string& os);

// The report's words after the mount: "4.1 GB (below the critical 5 GB),
// inodes 3.2 % free (below the warning 10 %)".
std::string ReportText(const MountReport& report);

// "/var 4.1 GB (below the critical 5 GB), /x not listed; 6 others OK": the
// mounts in trouble first, worst first; `errorsOnly` (-e) leaves out the
// count of the others. "N mounts OK" when none is in trouble.
std::string SeveralMountsText(const std::vector<MountReport>& reports, bool errorsOnly = false);

// "DISK <STATE> - <text> | <perfdata>...", one line, UTF-8.
std::string PluginLine(State state, const std::string& text,
                       const std::vector<std::string>& perfdata);

// `report`: the one mount's, when the check got as far as judging it.
std::string JsonLine(const CheckOutcome& outcome, State state, const MountReport* report);
std::string JsonLine(State state, const std::string& text, const std::vector<MountReport>& reports);

}  // namespace tavrix::cli
