#include "transport/persist_paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/failure.h"
#include "support/sha256.h"

namespace tavrix::persist {

namespace {

// A directory that is ours alone: not a link, owned by us, no access for others.
bool IsPrivateDirectory(const std::string& path, bool exactMode) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        return false;
    }
    return exactMode ? (info.st_mode & 0777) == 0700 : (info.st_mode & 0077) == 0;
}

std::string Hex(const std::string& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0xF]);
    }
    return text;
}

}  // namespace

std::string HolderDirectory() {
    std::string directory;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsPrivateDirectory(runtime, false)) {
        directory = std::string(runtime) + "/tavrix";
    } else {
        directory = "/tmp/tavrix-" + std::to_string(getuid());
    }
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        throw Failure("Cannot create " + directory + ": " + std::strerror(errno));
    }
    if (!IsPrivateDirectory(directory, true)) {
        throw Failure(directory + " is not a directory of mode 0700 owned by this user");
    }
    return directory;
}

std::string HolderName(const std::string& host, int port, const std::string& user) {
    std::string key = host;
    key.push_back('\0');
    key += std::to_string(port);
    key.push_back('\0');
    key += user;
    return "holder-" + Hex(Sha256(key).substr(0, 16));
}

std::vector<std::string> HolderSockets(const std::string& directory) {
    std::vector<std::string> sockets;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), &closedir);
    if (!dir) {
        return sockets;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.rfind("holder-", 0) == 0 && name.size() > 5 &&
            name.compare(name.size() - 5, 5, ".sock") == 0) {
            sockets.push_back(directory + "/" + name);
        }
    }
    std::sort(sockets.begin(), sockets.end());
    return sockets;
}

}  // namespace tavrix::persist
