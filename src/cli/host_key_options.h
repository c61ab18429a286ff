#pragma once
// How the command line trusts a server's host key: a pin (--hostkey, or HKEY
// in -P), else a known-hosts file under a policy. For check, mounts and
// params build.

#include <string>
#include <vector>

#include "cli/cli_arguments.h"

namespace tavrix::cli {

std::vector<OptionInfo> HostKeyOptions();
extern const char* const kHostKeyOptionsHelp;

// The parameter string with --hostkey's pin as its HKEY entry (after the
// others). UsageError for a text that is no pin, or for a string that pins
// another key already.
std::string WithHostKeyOption(const Arguments& args, const std::string& parameters);

// --modern-only: the SSH transport offers no SHA-1 key exchange or signature,
// no CBC cipher and no DSA key (for check and mounts; InstallSshTransportFor
// reads it).
OptionInfo ModernOnlyOption();
std::string ModernOnlyHelp();

// Installs the SSH transport: with a pin in the parameters only the pin
// decides; without one, the known-hosts file under --host-key-policy.
// False when the build has no transport.
bool InstallSshTransportFor(const Arguments& args, const std::string& parameters);

}  // namespace tavrix::cli
