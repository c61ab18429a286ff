#pragma once
// Shell-style patterns for --exclude and the type filters: "*" (any run of
// characters, "/" included), "?", "[abc]", "[a-z]", "[!x]", and "\" to take
// the next character as it is. Byte for byte, case-sensitive.

#include <string_view>

namespace tavrix::cli {

bool GlobMatches(std::string_view pattern, std::string_view text);

}  // namespace tavrix::cli
