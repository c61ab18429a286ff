#include "transport/known_hosts.h"

#include <fstream>
#include <memory>

#include "support/trace.h"
#include "transport/libssh_key.h"

namespace tavrix::libssh {

namespace {

struct EntryDeleter {
    void operator()(ssh_knownhosts_entry* entry) const { ssh_knownhosts_entry_free(entry); }
};

std::string ErrorOf(ssh_session session) {
    const char* error = ssh_get_error(session);
    return error != nullptr && *error != '\0' ? error : "unknown error";
}

// The key the file lists for the host (named as in the file, "[host]:port"),
// the one of the offered key's type first; empty when none is found.
std::string ListedKey(const std::string& file, const std::string& hostName,
                      const std::string& offered) {
    std::ifstream in(file);
    std::string line;
    std::string first;
    while (std::getline(in, line)) {
        ssh_knownhosts_entry* raw = nullptr;
        if (ssh_known_hosts_parse_line(hostName.c_str(), line.c_str(), &raw) != SSH_OK) {
            continue;  // another host, a comment, or a line libssh cannot read
        }
        const std::unique_ptr<ssh_knownhosts_entry, EntryDeleter> entry(raw);
        if (entry->publickey == nullptr) {
            continue;
        }
        const std::string listed = FingerprintOf(entry->publickey);
        if (listed.substr(0, listed.find(' ')) == offered.substr(0, offered.find(' '))) {
            return listed;
        }
        if (first.empty()) {
            first = listed;
        }
    }
    return first;
}

}  // namespace

std::optional<HostKeyPolicy> ParseHostKeyPolicy(const std::string& text) {
    if (text == "strict") {
        return HostKeyPolicy::kStrict;
    }
    if (text == "accept-new") {
        return HostKeyPolicy::kAcceptNew;
    }
    if (text == "off") {
        return HostKeyPolicy::kOff;
    }
    return std::nullopt;
}

std::string KnownHostsLine(ssh_session session) {
    char* line = nullptr;
    if (ssh_session_export_known_hosts_entry(session, &line) != SSH_OK || line == nullptr) {
        return {};
    }
    std::string text(line);
    ssh_string_free_char(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string CheckKnownHost(ssh_session session, const KnownHostsCheck& check,
                           const std::string& host, const std::string& offered) {
    if (check.policy == HostKeyPolicy::kOff) {
        return {};
    }
    switch (ssh_session_is_known_server(session)) {
        case SSH_KNOWN_HOSTS_OK:
            Trace("SSH host key found in ", check.file);
            return {};
        case SSH_KNOWN_HOSTS_CHANGED:
        case SSH_KNOWN_HOSTS_OTHER: {
            const std::string line = KnownHostsLine(session);
            const std::string listed =
                ListedKey(check.file, line.substr(0, line.find(' ')), offered);
            return "The host key of " + host + " has changed: expected " +
                   (listed.empty() ? "the key listed in " + check.file : listed) +
                   ", the server offered " + offered;
        }
        case SSH_KNOWN_HOSTS_UNKNOWN:
        case SSH_KNOWN_HOSTS_NOT_FOUND:
            break;
        case SSH_KNOWN_HOSTS_ERROR:
        default:
            return "The known hosts file " + check.file + " cannot be read: " + ErrorOf(session);
    }
    if (check.policy == HostKeyPolicy::kAcceptNew) {
        if (ssh_session_update_known_hosts(session) != SSH_OK) {
            return "The host key of " + host + " cannot be added to " + check.file + ": " +
                   ErrorOf(session);
        }
        Trace("SSH host key of ", host, " added to ", check.file, ": ", offered);
        return {};
    }
    std::string advice = check.unknownAdvice;
    if (const auto at = advice.find("{key}"); at != std::string::npos) {
        advice.replace(at, 5, offered);
    }
    return "The host key of " + host + " is not known: " + check.file +
           " does not list it, the server offered " + offered + advice;
}

}  // namespace tavrix::libssh
