#include "cli/secret_file.h"

#include <filesystem>

#include "cli/cli_arguments.h"
#include "cli/cli_text.h"
#include "support/failure.h"
#include "support/regular_file.h"

namespace tavrix::cli {

std::string ReadSecretFile(const std::string& utf8Path, std::string_view what) {
    std::string content;
    bool readableByOthers = false;
    try {
        const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
        content = ReadRegularFile(path, utf8Path, what, kMaxSecretFileBytes, &readableByOthers);
    } catch (const Failure& failure) {
        throw UsageError(failure.Description());
    }
    if (readableByOthers) {
        PrintError("tavrix-check: warning: " + std::string(what) + " " + utf8Path +
                   " may be read by its group or others (chmod 600 " + utf8Path + ")");
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
