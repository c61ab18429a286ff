#pragma once
// Reading a small file that a user names (key file, password file, parameter
// file). Anything but a regular file is refused before a byte is read: a FIFO
// would block for ever and a device like /dev/zero never ends.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavrix {

// A path held in the core's Windows-1252 text, as the file system names it
// (UTF-8 on Linux, UTF-16 on Windows).
std::filesystem::path PathFromCoreText(std::string_view path);

// The whole file, at most `maxBytes`. `what` starts the failure texts, which
// name `shownPath`: "<what> <path> does not exist", "... is a directory",
// "... is not a regular file", "... is larger than <n> KiB", "... cannot be
// read: <reason>" (all Failure). The read buffer is wiped: the file may hold
// a secret. `readableByOthers`, when given, tells whether the file's group or
// others may read it (always false on Windows).
std::string ReadRegularFile(const std::filesystem::path& path, std::string_view shownPath,
                            std::string_view what, std::size_t maxBytes,
                            bool* readableByOthers = nullptr);

}  // namespace tavrix
