#pragma once
// The password codec. Each character of the text is one byte (ANSI code page);
// the decoder is lenient (characters outside the alphabet count as "A") but
// throws Failure when a group of four begins with "=".

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrix {

std::string Base64Encode(std::string_view text);
std::string Base64Decode(std::string_view text);

// Two-way map between a 6-bit value (-1 for the pad) and its digit.
void Base64Digit(std::int32_t& value, std::string& character, bool toCharacter);

std::int64_t ShiftLeft(std::int64_t value, int n);
std::int64_t ShiftRight(std::int64_t value, int n);

}  // namespace tavrix
