#pragma once
// SHA-256 of a byte string, without a crypto library: a check that a session
// holder serves names and proves its login with it, and starting OpenSSL for
// one digest costs about as much as the holder's answer.

#include <string>
#include <string_view>

namespace tavrix {

// The 32 bytes of the digest.
std::string Sha256(std::string_view bytes);

}  // namespace tavrix
