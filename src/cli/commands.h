#pragma once
// The commands of tavrix-check. Each takes the arguments after its name and
// returns the exit code; UsageError and Failure are left to main.

#include <string>
#include <vector>

#include "cli/cli_arguments.h"

namespace tavrix::cli {

int RunParse(const std::vector<std::string>& args);
int RunParams(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunMounts(const std::vector<std::string>& args);
int RunHostKey(const std::vector<std::string>& args);

// "tavrix-check 1.0.0.N"
std::string VersionText();

// --help, --version, --verbose and --trace, which every command takes.
std::vector<OptionInfo> WithCommonOptions(std::vector<OptionInfo> known);
std::string CommonOptionsHelp();
// Prints `help` for --help or the version for --version and returns true;
// switches the traces on for --trace or -vvv.
bool HandleCommonOptions(const Arguments& args, const std::string& help);

}  // namespace tavrix::cli
