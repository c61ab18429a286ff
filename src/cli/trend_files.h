#pragma once
// The file-system calls of the trend state: a private directory, a lock per
// mount, and a file replaced whole. Each failure comes back as its reason.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "support/unique_resource.h"

namespace tavrix::cli {

// Creates `dir` (not its parents) readable by its owner only when it is
// missing, and makes sure files can be made in it (write permission, not a
// read-only file system). Empty when it can; otherwise the reason
// ("Permission denied", "is not a directory").
std::string PreparePrivateDirectory(const std::filesystem::path& dir);

#ifdef _WIN32
struct LockHandleCloser {
    void operator()(void* handle) const;
};
using LockHandle = UniqueResource<void*, LockHandleCloser>;
#else
struct LockFdCloser {
    void operator()(int fd) const;
};
// Descriptor + 1, so that the null handle 0 owns nothing.
using LockHandle = UniqueResource<int, LockFdCloser>;
#endif

// An exclusive lock on `path` (created 0600 when missing), held until the
// object goes. Waits at most `wait` for another holder; nullopt after that.
class FileLock {
  public:
    static std::optional<FileLock> Acquire(const std::filesystem::path& path,
                                           std::chrono::milliseconds wait);

  private:
    explicit FileLock(LockHandle handle) : handle_(std::move(handle)) {}
    LockHandle handle_;
};

// Writes `data` to `scratch` (0600), then renames it over `target`: a reader
// sees the old file or the new one, never a part. Empty when done; otherwise
// the reason. (Not named ReplaceFile: windows.h makes that name a macro.)
std::string WriteAndRename(const std::filesystem::path& scratch,
                           const std::filesystem::path& target, std::string_view data);

}  // namespace tavrix::cli
