#pragma once
// Where the holders of a user live: a directory only that user may enter
// ($XDG_RUNTIME_DIR/tavrix, else /tmp/tavrix-UID), one socket and one lock
// file per host, port and user, named by a hash of the three.

#include <string>
#include <vector>

namespace tavrix::persist {

// Creates the directory when needed. Throws Failure when it is not a
// directory of mode 0700 owned by this user.
std::string HolderDirectory();

// "holder-<hash>"; the socket is that plus ".sock", its lock plus ".lock".
std::string HolderName(const std::string& host, int port, const std::string& user);

// The sockets in the directory (for persist --list and --stop).
std::vector<std::string> HolderSockets(const std::string& directory);

}  // namespace tavrix::persist
