#pragma once
// The word rule of df data lines, shared by both line layouts. Views only: the
// parser runs once per received line, so nothing here allocates.

#include <algorithm>
#include <string_view>

#include "support/text.h"

namespace tavrix::df_words {

// Takes the next word off `rest`: everything up to and including the first
// blank. Without a blank the word is empty and `rest` stays as it is, so a
// short line yields empty words (numbers 0) and keeps its last word as the rest.
inline std::string_view TakeWord(std::string_view& rest) {
    const auto blank = rest.find(' ');
    if (blank == std::string_view::npos) {
        return {};
    }
    const std::string_view word = rest.substr(0, blank + 1);
    rest = TrimBlanks(rest.substr(blank + 1));
    return word;
}

// Whether a word can be a figure of a data line: a number, or "-" where the
// system has none.
inline bool IsFigureWord(std::string_view word) {
    word = TrimBlanks(word);
    if (word == "-") {
        return true;
    }
    const std::size_t first =
        !word.empty() && std::string_view("+-.").find(word[0]) != std::string_view::npos ? 1 : 0;
    return word.size() > first && IsDigit(word[first]);
}

// The number of inode columns (iused, ifree, %iused, in any case) in a
// header line: BSD and macOS print them between the percentage and the mount.
inline int InodeColumnsIn(std::string_view header) {
    int count = 0;
    std::string_view rest = header;
    while (!rest.empty()) {
        const auto blank = rest.find(' ');
        const std::string_view word = rest.substr(0, blank);
        for (const std::string_view name : {"iused", "ifree", "%iused", "%iuse"}) {
            count +=
                std::ranges::equal(word, name, [](char a, char b) { return AsciiLower(a) == b; });
        }
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    }
    return count;
}

}  // namespace tavrix::df_words
