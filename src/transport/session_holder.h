#pragma once
// The holder: a detached process that keeps a logged-in SSH session and runs
// the commands of later checks on new channels of it (Linux).
//
// It serves only connections of its own user (SO_PEERCRED) and only run
// requests whose digest is the one of the login that opened the session. It
// ends after the persist time without a request, when the server closes the
// session or stops answering its keep-alives, on SIGTERM, on a quit request
// and when its socket is removed or replaced.

#include "transport/held_client.h"

namespace tavrix::persist {

// Leaves a holder for the session a check kept (PersistContext), unless one
// runs already for its host, port and user or the holders' directory is not
// safe; then the session is closed as usual. Call it after the check's
// output is written: the holder keeps none of the caller's files open, its
// own session and process group, and the caller's process lets the
// session go without ending it.
void LeaveHolder(PersistContext& context);

}  // namespace tavrix::persist
