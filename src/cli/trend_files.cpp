#include "cli/trend_files.h"

#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <fstream>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tavrix::cli {

namespace {

constexpr auto kLockPoll = std::chrono::milliseconds(5);

std::string Reason(const std::error_code& error) {
    return error.message();
}

#ifndef _WIN32
std::string ErrnoReason() {
    return Reason(std::error_code(errno, std::generic_category()));
}
#endif

}  // namespace

#ifdef _WIN32

void LockHandleCloser::operator()(void* handle) const {
    CloseHandle(handle);
}

std::string PreparePrivateDirectory(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directory(dir, error);
    if (error) {
        return Reason(error);
    }
    if (!std::filesystem::is_directory(dir, error)) {
        return "is not a directory";
    }
    const std::filesystem::path probe = dir / (".probe-" + std::to_string(GetCurrentProcessId()));
    {
        std::ofstream file(probe, std::ios::binary | std::ios::trunc);
        if (!file) {
            return "cannot be written";
        }
    }
    std::filesystem::remove(probe, error);
    return {};
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& path,
                                          std::chrono::milliseconds wait) {
    LockHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle.Get() == INVALID_HANDLE_VALUE) {
        handle.Release();
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(handle.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole)) {
            return FileLock(std::move(handle));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kLockPoll);
    }
}

std::string WriteAndRename(const std::filesystem::path& scratch,
                           const std::filesystem::path& target, std::string_view data) {
    {
        std::ofstream file(scratch, std::ios::binary | std::ios::trunc);
        file.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!file.flush()) {
            return "cannot be written";
        }
    }
    std::error_code error;
    std::filesystem::rename(scratch, target, error);
    return error ? Reason(error) : std::string();
}

#else

void LockFdCloser::operator()(int fd) const {
    ::close(fd - 1);
}

std::string PreparePrivateDirectory(const std::filesystem::path& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return ErrnoReason();
    }
    struct stat status {};
    if (::stat(dir.c_str(), &status) != 0) {
        return ErrnoReason();
    }
    if (!S_ISDIR(status.st_mode)) {
        return "is not a directory";
    }
    // EROFS too, for root on a read-only file system.
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        return ErrnoReason();
    }
    return {};
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& path,
                                          std::chrono::milliseconds wait) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return std::nullopt;
    }
    LockHandle handle(fd + 1);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kLockPoll);
    }
    return FileLock(std::move(handle));
}

std::string WriteAndRename(const std::filesystem::path& scratch,
                           const std::filesystem::path& target, std::string_view data) {
    const int fd =
        ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return ErrnoReason();
    }
    LockHandle owner(fd + 1);
    // A scratch file left by an older umask or a copy keeps its mode.
    if (::fchmod(fd, 0600) != 0) {
        return ErrnoReason();
    }
    // No fsync: a file lost in a power cut only restarts the trend, and a
    // sync per check would stall engines running hundreds of them.
    std::string_view rest = data;
    while (!rest.empty()) {
        const ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const std::string reason = ErrnoReason();
            ::unlink(scratch.c_str());
            return reason;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::close(owner.Release() - 1) != 0 || ::rename(scratch.c_str(), target.c_str()) != 0) {
        const std::string reason = ErrnoReason();
        ::unlink(scratch.c_str());
        return reason;
    }
    return {};
}

#endif

}  // namespace tavrix::cli
