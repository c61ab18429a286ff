#pragma once
// Files that hold a secret on the command line's behalf: the password file and
// the parameter-string file. They keep the secret out of the process list.

#include <string>
#include <string_view>

namespace tavrix::cli {

// The file's text without one trailing line end (editors add one). Only a
// regular file of at most 64 KiB is read; `what` names it in the UsageError
// ("the password file"). A file that its group or others may read is read,
// with a warning on stderr.
std::string ReadSecretFile(const std::string& utf8Path, std::string_view what);

inline constexpr std::size_t kMaxSecretFileBytes = 64 * 1024;

}  // namespace tavrix::cli
