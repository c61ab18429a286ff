#pragma once
// Asks a server for its host key without logging in: the key exchange only,
// then the connection is closed before anything of a login is sent.

#include <chrono>
#include <string>

namespace tavrix::libssh {

struct ProbedHostKey {
    std::string fingerprint;     // "<key type> SHA256:<hash>"
    std::string knownHostsLine;  // "[host]:port type base64" (port 22: just the host)
};

// Throws Failure with the connection's failure text.
ProbedHostKey ProbeHostKey(const std::string& host, int port, std::chrono::seconds limit);

}  // namespace tavrix::libssh
