#pragma once
// The core's text is single-byte Windows-1252 (what the Windows hosts store).
// These convert at the edges: UTF-8 on the Linux command line, UTF-16 at COM.

#include <string>
#include <string_view>

namespace tavrix {

// Characters that Windows-1252 lacks, and invalid UTF-8 sequences, become "?".
// `lossless`, when given, tells whether every character was kept.
std::string Utf8ToAnsi(std::string_view utf8, bool* lossless = nullptr);
std::string AnsiToUtf8(std::string_view ansi);
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16, bool* lossless = nullptr);

}  // namespace tavrix
