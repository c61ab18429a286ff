#pragma once
// How `check` reports an outcome: the monitoring-plugin state, the plugin
// line with performance data, and JSON.

#include <string>

#include "host/check_run.h"

namespace tavrix::cli {

enum class State { Ok, Critical, Unknown };

// Critical only for a mount that was found and has too little free space.
State StateOf(const CheckOutcome& outcome);
const char* StateName(State state);
int ExitCode(State state);

// "DISK OK - <text> | '<mount>'=<free bytes>B;;;0;<size bytes>", UTF-8.
std::string NagiosLine(const CheckOutcome& outcome, State state, const std::string& mount);
std::string JsonLine(const CheckOutcome& outcome, State state);

}  // namespace tavrix::cli
