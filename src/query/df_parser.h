#pragma once
// The df output parser. Works on the query state of query_state.h.

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrix {

// Empties the records for a new query: one empty record, count 0.
void ResetMountRecords();

// Parses one piece of received output: splits it at gEOL, joins wrapped lines,
// takes the query's first line as the header, and hands each data line to
// the line parser (df_line.h) with gMountCount as the index.
void Splitt_in_lines(std::string_view piece);

// The line separator that gEOL stands for ("\n" for anything unknown).
std::string_view LineSeparator(std::string_view eol);

}  // namespace tavrix
