#pragma once
// The host-key algorithms the client offers when a key type is pinned: that
// type's algorithms first, so that a server with several host keys shows the
// pinned one, then the others as usual.

#include <string>

namespace tavrix::libssh {

// For SSH_OPTIONS_HOSTKEYS.
std::string HostKeyAlgorithmsPreferring(const std::string& keyType);

}  // namespace tavrix::libssh
