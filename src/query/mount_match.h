#pragma once
// How a listed mount is matched against the wanted one. "BRWDF" drives are
// Windows drive letters, which the user may type in either case.

#include <algorithm>
#include <string_view>

#include "support/text.h"

namespace tavrix {

inline constexpr std::string_view kBrwdfOs = "BRWDF";

inline bool MountMatches(std::string_view listed, std::string_view wanted, bool ignoreCase) {
    if (!ignoreCase) {
        return listed == wanted;
    }
    return std::ranges::equal(listed, wanted,
                              [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

}  // namespace tavrix
