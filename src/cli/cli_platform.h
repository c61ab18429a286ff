#pragma once
// The few calls that differ between Linux and Windows, kept in one place so
// that the rest of the command line builds with MinGW unchanged.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavrix::cli {

// The arguments as UTF-8 (Windows: from the wide command line).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard input and output as bytes, UTF-8 on the Windows console.
void PrepareStandardStreams();

// An environment variable as UTF-8; nullopt when it is not set.
std::optional<std::string> EnvironmentVariable(const std::string& name);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading bytes; path in UTF-8. Empty when it cannot.
FilePtr OpenForReading(const std::string& path);

// Whether the group or others may read an open file (never on Windows, whose
// access lists say more than a mode).
bool ReadableByOthers(std::FILE* file);

}  // namespace tavrix::cli
