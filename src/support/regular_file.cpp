#include "support/regular_file.h"

#include <array>

#include "support/codepage.h"
#include "support/failure.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace tavrix {

namespace {

class FileReadFailure {
  public:
    FileReadFailure(std::string_view what, std::string_view shownPath)
        : prefix_(std::string(what) + " " + std::string(shownPath)) {}

    [[noreturn]] void Throw(std::string_view rest) const {
        throw Failure(prefix_ + " " + std::string(rest));
    }

  private:
    std::string prefix_;
};

void Wipe(char* data, std::size_t size) {
    volatile char* bytes = data;
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = 0;
    }
}

// Wipes the read buffer always, and what was read when the read fails.
struct ReadScrub {
    std::array<char, 4096>& buffer;
    std::string& content;
    bool succeeded = false;
    ~ReadScrub() {
        Wipe(buffer.data(), buffer.size());
        if (!succeeded) {
            Wipe(content.data(), content.size());
        }
    }
};

std::string SizeText(std::size_t maxBytes) {
    return "is larger than " + std::to_string(maxBytes / 1024) + " KiB";
}

#ifdef _WIN32

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { CloseHandle(handle); }
};

std::string ErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length)
                                                       : "error " + std::to_string(error);
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result;
}

#endif

}  // namespace

std::filesystem::path PathFromCoreText(std::string_view path) {
#ifdef _WIN32
    const std::u16string wide = AnsiToUtf16(path);
    return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
    const std::string utf8 = AnsiToUtf8(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#endif
}

std::string ReadRegularFile(const std::filesystem::path& path, std::string_view shownPath,
                            std::string_view what, std::size_t maxBytes, bool* readableByOthers) {
    if (readableByOthers != nullptr) {
        *readableByOthers = false;
    }
    const FileReadFailure failure(what, shownPath);
    std::string content;
    std::array<char, 4096> buffer{};
    ReadScrub scrub{buffer, content};
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        failure.Throw("is a directory");
    }
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            failure.Throw("does not exist");
        }
        failure.Throw("cannot be read: " + ErrorText(error));
    }
    const HandleCloser closer{handle};
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        failure.Throw("is not a regular file");  // a pipe, a console, NUL
    }
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            const DWORD error = GetLastError();
            failure.Throw("cannot be read: " + ErrorText(error));
        }
        if (got == 0) {
            break;
        }
        if (content.size() + got > maxBytes) {
            failure.Throw(SizeText(maxBytes));
        }
        content.append(buffer.data(), got);
    }
#else
    // O_NONBLOCK: opening a FIFO without a writer would wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) {
            failure.Throw("does not exist");
        }
        failure.Throw(std::string("cannot be read: ") + std::strerror(error));
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        failure.Throw(std::string("cannot be read: ") + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        failure.Throw("is a directory");
    }
    if (!S_ISREG(status.st_mode)) {
        failure.Throw("is not a regular file");
    }
    if (readableByOthers != nullptr) {
        *readableByOthers = (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
    }
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            failure.Throw(std::string("cannot be read: ") + std::strerror(error));
        }
        if (got == 0) {
            break;
        }
        if (content.size() + static_cast<std::size_t>(got) > maxBytes) {
            failure.Throw(SizeText(maxBytes));
        }
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
#endif
    scrub.succeeded = true;
    return content;
}

}  // namespace tavrix
