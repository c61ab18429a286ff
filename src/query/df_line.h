#pragma once
// Parsing of one data line of df output into one MountRecord.

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrix {

// Fills gMountRecords[index] from `line`; the record must exist. Without the
// copy that SplitParameters' signature implies: Splitt_in_lines' hot path.
void ParseDataLine(std::string_view line, std::int16_t index);

// Parses one data line into gMountRecords[index], adding records up to it;
// index is left unchanged.
void SplitParameters(std::string line, const std::int16_t& index);

}  // namespace tavrix
