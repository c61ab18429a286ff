#pragma once
// A pinned host key: "<key type> SHA256:<base64 without padding>", the key
// type as OpenSSH names it and the hash as `ssh-keygen -l -E sha256` shows it.

#include <string>
#include <string_view>

namespace tavrix {

// The pin with blanks around it removed; a stored value may carry them.
std::string NormalizedPin(std::string_view pin);

// Whether the text has the pin's form (a key type, one blank, "SHA256:" and
// 43 Base64 characters).
bool IsHostKeyPin(std::string_view pin);

// The key type of a pin ("ssh-ed25519"), empty when it has none.
std::string PinKeyType(std::string_view pin);

// The refusal of a key that differs from the pin.
std::string HostKeyChangedText(std::string_view host, std::string_view pin,
                               std::string_view offered);

}  // namespace tavrix
