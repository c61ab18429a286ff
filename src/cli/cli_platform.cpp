#include "cli/cli_platform.h"

#include <cstdlib>
#include <memory>

#ifdef _WIN32
// windows.h must come before the other Windows headers.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#else
#include <sys/stat.h>
#endif

namespace tavrix::cli {

#ifdef _WIN32
namespace {

std::string WideToUtf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::wstring Utf8ToWide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (size <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
    return wide;
}

struct LocalFreeDeleter {
    void operator()(wchar_t** p) const { LocalFree(p); }
};

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    std::unique_ptr<wchar_t*, LocalFreeDeleter> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> args;
    if (!wide) {
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        return args;
    }
    for (int i = 1; i < count; ++i) {
        args.push_back(WideToUtf8(wide.get()[i]));
    }
    return args;
}

void PrepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

std::optional<std::string> EnvironmentVariable(const std::string& name) {
    const wchar_t* value = _wgetenv(Utf8ToWide(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return WideToUtf8(value);
}

FilePtr OpenForReading(const std::string& path) {
    return FilePtr(_wfopen(Utf8ToWide(path).c_str(), L"rb"));
}

bool ReadableByOthers(std::FILE*) {
    return false;
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareStandardStreams() {}

std::optional<std::string> EnvironmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

FilePtr OpenForReading(const std::string& path) {
    return FilePtr(std::fopen(path.c_str(), "rb"));
}

bool ReadableByOthers(std::FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

#endif

}  // namespace tavrix::cli
