#pragma once
// The SSH platform on libssh: its clients (LibsshClient), keys (LibsshKey)
// and a wait that blocks in poll() (select() on Windows) on a client's hint.

#include <memory>

#include "query/ssh_client.h"

namespace tavrix {

std::shared_ptr<SshPlatform> MakeLibsshPlatform();

}  // namespace tavrix
