#include "cli/commands.h"

#ifdef TAVRIX_HAVE_SSH
#include "query/ssh_client.h"
#include "transport/libssh_platform.h"
#endif

namespace tavrix::cli {

bool InstallSshTransport() {
#ifdef TAVRIX_HAVE_SSH
    InstallDefaultSshPlatform(MakeLibsshPlatform());
    return true;
#else
    return false;
#endif
}

}  // namespace tavrix::cli
