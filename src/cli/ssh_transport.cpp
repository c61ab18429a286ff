#include "cli/commands.h"

#ifdef TAVRIX_HAVE_SSH
#include "query/ssh_client.h"
#include "transport/libssh_platform.h"
#endif

namespace tavrix::cli {

OptionInfo ModernOnlyOption() {
    return {"--modern-only", "", false};
}

std::string ModernOnlyHelp() {
    return "  --modern-only          refuse SHA-1 key exchanges and signatures, CBC ciphers\n"
           "                         and DSA keys, which old servers need\n";
}

bool InstallSshTransport(bool modernOnly) {
#ifdef TAVRIX_HAVE_SSH
    InstallDefaultSshPlatform(MakeLibsshPlatform(
        modernOnly ? libssh::AlgorithmPolicy::kModernOnly : libssh::AlgorithmPolicy::kCompatible));
    return true;
#else
    static_cast<void>(modernOnly);
    return false;
#endif
}

}  // namespace tavrix::cli
