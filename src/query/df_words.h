#pragma once
// The word rule of df data lines, shared by both line layouts. Views only: the
// parser runs once per received line, so nothing here allocates.

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

}  // namespace tavrix::df_words
