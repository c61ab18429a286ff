#include "cli/host_key_options.h"

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/persist_option.h"
#include "host/parameter_string.h"
#include "query/host_key_pin.h"

#ifdef TAVRIX_HAVE_SSH
#include "query/ssh_client.h"
#include "transport/known_hosts.h"
#include "transport/libssh_platform.h"
#endif

namespace tavrix::cli {

#ifdef TAVRIX_HAVE_SSH
namespace {

std::string DefaultKnownHostsFile() {
#ifdef _WIN32
    const char* home = "USERPROFILE";
    const char* tail = "\\.ssh\\known_hosts";
#else
    const char* home = "HOME";
    const char* tail = "/.ssh/known_hosts";
#endif
    const std::optional<std::string> dir = EnvironmentVariable(home);
    if (!dir || dir->empty()) {
        throw UsageError(std::string("$") + home + " is not set: give --known-hosts FILE");
    }
    return *dir + tail;
}

}  // namespace
#endif

const char* const kHostKeyOptionsHelp =
    "Host key (no password goes to a server that is not trusted):\n"
    "  --hostkey \"TYPE SHA256:HASH\"  trust only this key (as `tavrix-check hostkey`\n"
    "                      prints it); HKEY in -P does the same\n"
    "  --known-hosts FILE  without a pin, the known hosts (default ~/.ssh/known_hosts)\n"
    "  --host-key-policy strict|accept-new|off\n"
    "                      strict (default): only keys the file lists; accept-new:\n"
    "                      adds a host the file does not list, refuses a changed key;\n"
    "                      off: accepts any key\n"
    "\n";

std::vector<OptionInfo> HostKeyOptions() {
    return {{"--hostkey", "", true}, {"--known-hosts", "", true}, {"--host-key-policy", "", true}};
}

std::string WithHostKeyOption(const Arguments& args, const std::string& parameters) {
    if (!args.Has("--hostkey")) {
        return parameters;
    }
    const std::string pin = NormalizedPin(*args.Value("--hostkey"));
    if (!IsHostKeyPin(pin)) {
        throw UsageError(
            "--hostkey must read \"TYPE SHA256:HASH\" (tavrix-check hostkey prints it)");
    }
    const std::string stored = NormalizedPin(GetKeyValue(parameters, "HKEY"));
    if (stored == pin) {
        return parameters;
    }
    if (!stored.empty()) {
        throw UsageError("the parameter string pins another host key (HKEY)");
    }
    std::string text = parameters;
    if (text.empty() || text.back() != '#') {
        text += '#';
    }
    return text + "HKEY=" + pin + "#";
}

OptionInfo ModernOnlyOption() {
    return {"--modern-only", "", false};
}

std::string ModernOnlyHelp() {
    return "  --modern-only          refuse SHA-1 key exchanges and signatures, CBC ciphers\n"
           "                         and DSA keys, which old servers need\n";
}

bool InstallSshTransportFor(const Arguments& args, const std::string& parameters) {
#ifdef TAVRIX_HAVE_SSH
    libssh::KnownHostsCheck check;
    const std::string policy = args.Value("--host-key-policy").value_or("strict");
    const auto parsed = libssh::ParseHostKeyPolicy(policy);
    if (!parsed) {
        throw UsageError("--host-key-policy must be strict, accept-new or off");
    }
    if (NormalizedPin(GetKeyValue(parameters, "HKEY")).empty()) {
        check.policy = *parsed;
    }
    if (check.policy != libssh::HostKeyPolicy::kOff) {
        check.file = args.Value("--known-hosts").value_or("");
        if (check.file.empty()) {
            check.file = DefaultKnownHostsFile();
        }
        check.unknownAdvice =
            ". To trust it, pin it with --hostkey \"{key}\", or add it with "
            "--host-key-policy accept-new";
    }
    const auto algorithms = args.Has("--modern-only") ? libssh::AlgorithmPolicy::kModernOnly
                                                      : libssh::AlgorithmPolicy::kCompatible;
#ifdef TAVRIX_HAVE_PERSIST
    if (InstallPersistTransport(args, check, algorithms,
                                NormalizedPin(GetKeyValue(parameters, "HKEY")))) {
        return true;
    }
#endif
    InstallDefaultSshPlatform(MakeLibsshPlatform(std::move(check), algorithms));
    return true;
#else
    (void)args;
    (void)parameters;
    return false;
#endif
}

}  // namespace tavrix::cli
