#pragma once
// The algorithms the client offers, most wanted first. The modern part is
// libssh's own default; the compatible lists append the old algorithms that
// the servers of older UNIX systems and appliances still speak, so that a
// modern server negotiates exactly what it would without them.

#include <string>
#include <string_view>

struct ssh_session_struct;  // libssh's ssh_session

namespace tavrix::libssh {

enum class AlgorithmPolicy {
    kCompatible,  // modern first, then SHA-1 key exchanges, CBC ciphers, ssh-rsa, DSA
    kModernOnly,  // libssh's defaults only: no SHA-1, no CBC, no DSA
};

std::string KeyExchangeList(AlgorithmPolicy policy);
// `first`, when given and allowed by the policy, is moved to the front (a
// host key type that must be negotiated, e.g. the one on record for a host).
// A pinned key type (as its fingerprint names it) goes first, so that a
// server with several host keys presents the pinned one.
std::string HostKeyList(AlgorithmPolicy policy, std::string_view pinnedKeyType = {});
std::string CipherList(AlgorithmPolicy policy);
std::string MacList(AlgorithmPolicy policy);
// Signature algorithms of the user's key in a public-key login.
std::string UserKeySignatureList(AlgorithmPolicy policy);

// Whether the policy lets a user key of this type ("ssh-dss", "ssh-rsa", ...)
// log in at all.
bool UserKeyTypeAllowed(AlgorithmPolicy policy, std::string_view keyType);

// Whether the SSH library was built with DSA (Debian's libssh is not).
bool LibraryHasDsa();

// Sets the lists on a session before its handshake. False, with libssh's
// reason in the session's error, when libssh refuses one.
bool ApplyAlgorithms(ssh_session_struct* session, AlgorithmPolicy policy);

}  // namespace tavrix::libssh
