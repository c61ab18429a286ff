#pragma once
// Host keys checked against an OpenSSH known-hosts file (hashed names,
// "[host]:port", several keys per host), with libssh's own functions. Used
// by the command line when no key is pinned.

#include "transport/libssh_headers.h"

#include <optional>
#include <string>

namespace tavrix::libssh {

enum class HostKeyPolicy {
    kOff,        // any key is accepted
    kStrict,     // only a key the file lists
    kAcceptNew,  // a host the file does not list is added; a changed key is refused
};

// "strict", "accept-new", "off"; nullopt for anything else.
std::optional<HostKeyPolicy> ParseHostKeyPolicy(const std::string& text);

struct KnownHostsCheck {
    HostKeyPolicy policy = HostKeyPolicy::kOff;
    std::string file;
    // Appended to the refusal of a host the file does not list: how to trust
    // it; "{key}" stands for the offered key.
    std::string unknownAdvice;
};

// Decides about the host key of a session whose key exchange is done (the
// session's host and port name the entry). Empty when the key may be used,
// else the refusal. With kAcceptNew an unlisted host is added to the file.
std::string CheckKnownHost(ssh_session session, const KnownHostsCheck& check,
                           const std::string& host, const std::string& offered);

// The session's host key as a known-hosts line ("[host]:port type base64").
std::string KnownHostsLine(ssh_session session);

}  // namespace tavrix::libssh
