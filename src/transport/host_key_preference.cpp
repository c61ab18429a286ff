#include "transport/host_key_preference.h"

#include <array>
#include <string_view>

namespace tavrix::libssh {

namespace {

struct KeyTypeAlgorithms {
    std::string_view keyType;     // as a fingerprint names it
    std::string_view algorithms;  // as the key exchange names them
};

// libssh 0.10's usual order, without the security-key and certificate kinds,
// which a pin never names.
constexpr std::array kUsualOrder = {
    KeyTypeAlgorithms{"ssh-ed25519", "ssh-ed25519"},
    KeyTypeAlgorithms{"ecdsa-sha2-nistp521", "ecdsa-sha2-nistp521"},
    KeyTypeAlgorithms{"ecdsa-sha2-nistp384", "ecdsa-sha2-nistp384"},
    KeyTypeAlgorithms{"ecdsa-sha2-nistp256", "ecdsa-sha2-nistp256"},
    KeyTypeAlgorithms{"ssh-rsa", "rsa-sha2-512,rsa-sha2-256"},
};

}  // namespace

std::string HostKeyAlgorithmsPreferring(const std::string& keyType) {
    std::string list;
    auto append = [&list](std::string_view algorithms) {
        if (!list.empty()) {
            list += ',';
        }
        list += algorithms;
    };
    bool known = false;
    for (const KeyTypeAlgorithms& entry : kUsualOrder) {
        if (entry.keyType == keyType) {
            append(entry.algorithms);
            known = true;
        }
    }
    if (!known && !keyType.empty()) {
        // ssh-dss and the like name their one algorithm; libssh drops what it
        // does not support.
        append(keyType);
    }
    for (const KeyTypeAlgorithms& entry : kUsualOrder) {
        if (entry.keyType != keyType) {
            append(entry.algorithms);
        }
    }
    return list;
}

}  // namespace tavrix::libssh
