#pragma once
// Character classes and trimming, ASCII only: the system's texts are single
// bytes of Windows-1252, whose letters above 0x7F never count as digits or
// blanks here.

#include <string_view>

namespace tavrix {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c);
}

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// What the reading of a numeric parameter value skips wherever it stands.
constexpr bool IsNumberBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

constexpr bool ContainsBlank(std::string_view text) {
    return text.find(' ') != std::string_view::npos;
}

// Removes leading and trailing spaces only; tabs, CR and LF stay.
constexpr std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace tavrix
