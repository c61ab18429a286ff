#pragma once
// The file-system types a type filter may name: the real ones of the systems
// this check knows, and the pseudo ones it leaves out of --all. A literal name
// outside them is a typo (-X tmfps would leave nothing out); a pattern passes.

#include <string_view>

namespace tavrix::cli {

// Letter case does not count (Windows prints NTFS, Unix ntfs).
bool IsKnownFileSystemType(std::string_view type);

// Whether a type filter's value holds a pattern character (* ? [ \).
bool IsTypePattern(std::string_view value);

}  // namespace tavrix::cli
