#include "cli/glob_match.h"

namespace tavrix::cli {

namespace {

// Matches one bracket expression at pattern[p] ('[') against c; sets `end` to
// the position after it. A "[" without its "]" is an ordinary character.
bool BracketMatches(std::string_view pattern, std::size_t p, char c, std::size_t& end) {
    std::size_t i = p + 1;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) {
        ++i;
    }
    bool matched = false;
    bool first = true;
    for (; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
        char low = pattern[i];
        if (low == '\\' && i + 1 < pattern.size()) {
            low = pattern[++i];
        }
        char high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = pattern[i + 2];
            i += 2;
        }
        matched = matched || (c >= low && c <= high);
        ++i;
    }
    if (i >= pattern.size()) {
        end = p + 1;
        return c == '[';
    }
    end = i + 1;
    return matched != negated;
}

}  // namespace

bool GlobMatches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0;
    std::size_t t = 0;
    // Where to resume after the last "*": the pattern after it, and the text
    // position it has taken so far.
    std::size_t starPattern = std::string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starText = t;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t next = p + 1;
            bool matched = false;
            if (pattern[p] == '?') {
                matched = true;
            } else if (pattern[p] == '[') {
                matched = BracketMatches(pattern, p, text[t], next);
            } else if (pattern[p] == '\\' && p + 1 < pattern.size()) {
                matched = pattern[p + 1] == text[t];
                next = p + 2;
            } else {
                matched = pattern[p] == text[t];
            }
            if (matched) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starPattern == std::string_view::npos) {
            return false;
        }
        p = starPattern;
        t = ++starText;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace tavrix::cli
