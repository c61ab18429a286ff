#pragma once
// --persist SECONDS on check and mounts: the first check leaves its SSH
// session with a holder process, and later checks of the same login run their
// df on it (Linux builds with the SSH transport).

#include <string>
#include <vector>

#include "cli/cli_arguments.h"

#ifdef TAVRIX_HAVE_PERSIST
#include "transport/known_hosts.h"
#include "transport/ssh_algorithms.h"
#endif

namespace tavrix::cli {

OptionInfo PersistOption();
std::string PersistOptionHelp();

// 0 without --persist; UsageError for anything but whole seconds up to a day.
int PersistSeconds(const Arguments& args);

// After the output: leaves the session the run kept to a holder.
void LeaveHolderIfAsked();

// tavrix-check persist --list | --stop [-H HOST [-p PORT] [-l USER]]
int RunPersist(const std::vector<std::string>& args);

#ifdef TAVRIX_HAVE_PERSIST
// With --persist above 0: installs the platform that asks a holder first.
bool InstallPersistTransport(const Arguments& args, const libssh::KnownHostsCheck& check,
                             libssh::AlgorithmPolicy policy, const std::string& pin);
#endif

}  // namespace tavrix::cli
