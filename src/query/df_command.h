#pragma once
// The df command line sent for each OS code.

#include <optional>
#include <string>

namespace tavrix {

// The command line for an OS code and mount ("-1" already taken as empty);
// nullopt for an OS code that has no command. Throws Failure for a "BRWDF"
// mount name that a Windows shell would interpret.
std::optional<std::string> BuildDfCommand(const std::string& os, const std::string& mount);

}  // namespace tavrix
