#pragma once
// Text at the command line's edges: UTF-8 outside, Windows-1252 in the core;
// escaping for terminal and JSON output; the monitoring-plugin exit codes.

#include <optional>
#include <string>
#include <string_view>

#include "query/mount_record.h"

namespace tavrix::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitWarning = 1;
inline constexpr int kExitCritical = 2;
inline constexpr int kExitUnknown = 3;  // bad usage, refusals, failures

// UTF-8 from the command line or a file into the core's Windows-1252. A
// character that Windows-1252 lacks would silently become "?" (a mount that
// never matches, a password that never logs in): UsageError naming `what`.
std::string ToCore(std::string_view utf8, const std::string& what);

// Core text for the terminal: UTF-8, with control characters shown as \r, \n,
// \t or \xNN, so that a stray carriage return in a mount is visible.
std::string ForTerminal(std::string_view ansi);

// Core text as a JSON string literal, quotes included.
std::string JsonString(std::string_view ansi);

// A number as plain JSON decimal; null when it is not finite.
std::string JsonNumber(double value);

// A MountRecord as a JSON object with the field names of the record.
std::string JsonRecord(const MountRecord& record);

// Whole bytes as plain decimal, never with an exponent or a comma.
std::string PlainWholeNumber(double value);

void PrintLine(const std::string& utf8);
void PrintError(const std::string& utf8);

}  // namespace tavrix::cli
