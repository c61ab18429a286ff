#pragma once
// The SSH platform on libssh: its clients (LibsshClient), keys (LibsshKey)
// and a wait that blocks in poll() (select() on Windows) on a client's hint.

#include <memory>

#include "query/ssh_client.h"
#include "transport/ssh_algorithms.h"

namespace tavrix {

// Every client of the platform offers the algorithms of `policy`.
std::shared_ptr<SshPlatform> MakeLibsshPlatform(
    libssh::AlgorithmPolicy policy = libssh::AlgorithmPolicy::kCompatible);

}  // namespace tavrix
