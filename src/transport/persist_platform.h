#pragma once
// The SSH platform of a command-line run with --persist: its clients ask a
// session holder first (held_client.h); what they keep goes to a new holder
// when the run calls LeaveHolderForRun after its output (Linux).

#include <memory>
#include <vector>

#include "query/ssh_client.h"
#include "transport/held_client.h"
#include "transport/persist_protocol.h"

namespace tavrix::persist {

// Installs the platform as the default; the context stays with it.
void InstallPersistPlatform(std::shared_ptr<PersistContext> context);

// Leaves a holder for the session the run kept, if any (session_holder.h).
void LeaveHolderForRun();

// The holders of this user, as persist --list shows them; a socket without
// a holder behind it is left out.
std::vector<HolderStatus> ListHolders();
// Asks the holder at the socket of the status to end; true when it was asked.
bool StopHolder(const HolderStatus& status);

}  // namespace tavrix::persist
