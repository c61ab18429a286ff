#include "cli/secret_file.h"

#include <filesystem>

#include "cli/cli_arguments.h"
#include "support/failure.h"
#include "support/regular_file.h"

namespace tavrix::cli {

std::string ReadSecretFile(const std::string& utf8Path, std::string_view what) {
    std::string content;
    try {
        const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
        content = ReadRegularFile(path, utf8Path, what, kMaxSecretFileBytes);
    } catch (const Failure& failure) {
        throw UsageError(failure.Description());
    }
    if (!content.empty() && content.back() == '\n') {
        content.pop_back();
        if (!content.empty() && content.back() == '\r') {
            content.pop_back();
        }
    }
    return content;
}

}  // namespace tavrix::cli
