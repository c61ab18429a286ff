#pragma once
// Parsing of one data line, without the copy that SplitParameters' signature
// implies; Splitt_in_lines uses this on its hot path.

#include <cstdint>
#include <string_view>

namespace tavrix {

// Fills gMountRecords[index] from `line`; the record must exist.
void ParseDataLine(std::string_view line, std::int16_t index);

}  // namespace tavrix
