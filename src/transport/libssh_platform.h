#pragma once
// The SSH platform on libssh: its clients (LibsshClient), keys (LibsshKey)
// and a wait that blocks in poll() (select() on Windows) on a client's hint.

#include <memory>

#include "query/ssh_client.h"
#include "transport/known_hosts.h"
#include "transport/ssh_algorithms.h"

namespace tavrix {

std::shared_ptr<SshPlatform> MakeLibsshPlatform();
// Its clients check every host key against a known-hosts file as well, and
// offer the algorithms of `policy`.
std::shared_ptr<SshPlatform> MakeLibsshPlatform(
    libssh::KnownHostsCheck knownHosts,
    libssh::AlgorithmPolicy policy = libssh::AlgorithmPolicy::kCompatible);

}  // namespace tavrix
