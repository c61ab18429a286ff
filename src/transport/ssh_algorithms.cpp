#include "transport/ssh_algorithms.h"

#include <vector>

#include "transport/libssh_headers.h"

namespace tavrix::libssh {

namespace {

// libssh 0.10's defaults, in its order.
constexpr std::string_view kModernKeyExchange =
    "curve25519-sha256,curve25519-sha256@libssh.org,"
    "ecdh-sha2-nistp256,ecdh-sha2-nistp384,ecdh-sha2-nistp521,"
    "diffie-hellman-group18-sha512,diffie-hellman-group16-sha512,"
    "diffie-hellman-group-exchange-sha256,diffie-hellman-group14-sha256";
constexpr std::string_view kModernHostKeys =
    "ssh-ed25519,ecdsa-sha2-nistp521,ecdsa-sha2-nistp384,ecdsa-sha2-nistp256,"
    "sk-ssh-ed25519@openssh.com,sk-ecdsa-sha2-nistp256@openssh.com,"
    "rsa-sha2-512,rsa-sha2-256";
constexpr std::string_view kModernCertificates =
    "ssh-ed25519-cert-v01@openssh.com,ecdsa-sha2-nistp521-cert-v01@openssh.com,"
    "ecdsa-sha2-nistp384-cert-v01@openssh.com,ecdsa-sha2-nistp256-cert-v01@openssh.com,"
    "sk-ecdsa-sha2-nistp256-cert-v01@openssh.com,"
    "rsa-sha2-512-cert-v01@openssh.com,rsa-sha2-256-cert-v01@openssh.com";
constexpr std::string_view kModernCiphers =
    "chacha20-poly1305@openssh.com,aes256-gcm@openssh.com,aes128-gcm@openssh.com,"
    "aes256-ctr,aes192-ctr,aes128-ctr";
constexpr std::string_view kModernMacs =
    "hmac-sha2-256-etm@openssh.com,hmac-sha2-512-etm@openssh.com,hmac-sha2-256,hmac-sha2-512";

// What older servers speak, strongest first.
constexpr std::string_view kOldKeyExchange =
    "diffie-hellman-group14-sha1,diffie-hellman-group-exchange-sha1,diffie-hellman-group1-sha1";
constexpr std::string_view kOldHostKeys = "ssh-rsa,ssh-dss";
constexpr std::string_view kOldCiphers = "aes256-cbc,aes192-cbc,aes128-cbc,3des-cbc";
// libssh 0.10 has no hmac-md5 to offer.
constexpr std::string_view kOldMacs = "hmac-sha1";
constexpr std::string_view kOldUserKeySignatures = "ssh-rsa,ssh-dss";

std::string Join(std::string_view modern, std::string_view old, AlgorithmPolicy policy) {
    std::string list(modern);
    if (policy == AlgorithmPolicy::kCompatible) {
        list.append(",").append(old);
    }
    return list;
}

std::vector<std::string_view> Split(std::string_view list) {
    std::vector<std::string_view> names;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        names.push_back(list.substr(0, comma));
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    return names;
}

}  // namespace

std::string KeyExchangeList(AlgorithmPolicy policy) {
    return Join(kModernKeyExchange, kOldKeyExchange, policy);
}

std::string HostKeyList(AlgorithmPolicy policy, std::string_view pinnedKeyType) {
    const std::string all = Join(kModernHostKeys, kOldHostKeys, policy);
    if (pinnedKeyType.empty()) {
        return all;
    }
    // An RSA key signs with three algorithms; every other type names its one.
    const auto signsFor = [pinnedKeyType](std::string_view name) {
        if (pinnedKeyType == "ssh-rsa") {
            return name == "rsa-sha2-512" || name == "rsa-sha2-256" || name == "ssh-rsa";
        }
        return name == pinnedKeyType;
    };
    std::string pinned;
    std::string rest;
    for (const std::string_view name : Split(all)) {
        std::string& list = signsFor(name) ? pinned : rest;
        list.append(list.empty() ? "" : ",").append(name);
    }
    if (pinned.empty()) {
        return all;  // a type this policy refuses stays refused
    }
    return rest.empty() ? pinned : pinned + "," + rest;
}

std::string CipherList(AlgorithmPolicy policy) {
    return Join(kModernCiphers, kOldCiphers, policy);
}

std::string MacList(AlgorithmPolicy policy) {
    return Join(kModernMacs, kOldMacs, policy);
}

std::string UserKeySignatureList(AlgorithmPolicy policy) {
    return Join(std::string(kModernCertificates) + "," + std::string(kModernHostKeys),
                kOldUserKeySignatures, policy);
}

bool UserKeyTypeAllowed(AlgorithmPolicy policy, std::string_view keyType) {
    return policy == AlgorithmPolicy::kCompatible || keyType != "ssh-dss";
}

bool LibraryHasDsa() {
    static const bool hasDsa = [] {
        ssh_session probe = ssh_new();
        if (probe == nullptr) {
            return false;
        }
        const bool known = ssh_options_set(probe, SSH_OPTIONS_HOSTKEYS, "ssh-dss") == SSH_OK;
        ssh_free(probe);
        return known;
    }();
    return hasDsa;
}

bool ApplyAlgorithms(ssh_session_struct* session, AlgorithmPolicy policy) {
    const struct {
        ssh_options_e option;
        std::string list;
    } settings[] = {
        {SSH_OPTIONS_KEY_EXCHANGE, KeyExchangeList(policy)},
        {SSH_OPTIONS_HOSTKEYS, HostKeyList(policy)},
        {SSH_OPTIONS_CIPHERS_C_S, CipherList(policy)},
        {SSH_OPTIONS_CIPHERS_S_C, CipherList(policy)},
        {SSH_OPTIONS_HMAC_C_S, MacList(policy)},
        {SSH_OPTIONS_HMAC_S_C, MacList(policy)},
        {SSH_OPTIONS_PUBLICKEY_ACCEPTED_TYPES, UserKeySignatureList(policy)},
    };
    for (const auto& setting : settings) {
        if (ssh_options_set(session, setting.option, setting.list.c_str()) != SSH_OK) {
            return false;
        }
    }
    return true;
}

}  // namespace tavrix::libssh
