#pragma once
// The df command line sent for each OS code.

#include <optional>
#include <string>
#include <string_view>

namespace tavrix {

// The command line for an OS code and mount ("-1" already taken as empty);
// nullopt for an OS code that has no command. Throws Failure for a "BRWDF"
// mount name that a Windows shell would interpret. The COM plug-in's table.
std::optional<std::string> BuildDfCommand(const std::string& os, const std::string& mount);

// What the command line's check may ask for beyond the COM plug-in's command.
struct DfRequest {
    bool withTypes = false;   // a type column, where the OS's df prints one
    bool withInodes = false;  // the inode df after the space df, same session
};

// Whether df of the OS code can print a type column (GNU df -T on "LINUX").
bool DfPrintsTypes(std::string_view os);

// The inode df of the OS code without its mount ("df -iP" on "LINUX", ...);
// nullopt where the OS gives no inode figures.
std::optional<std::string> InodeDfCommand(std::string_view os);

// Why an OS code has no inode figures, for the check's UNKNOWN text.
std::string NoInodeFiguresText(std::string_view os);

// The line the combined command prints between the space df and the inode df.
inline constexpr std::string_view kInodeMarker = "--tavrix-inodes--";

// The command line of the command line's check: the space df (with a type
// column where asked and possible), then, where asked and the OS has one, a
// marker line and the inode df of the same mount. Without a request it is
// BuildDfCommand's line. Throws as BuildDfCommand does.
std::optional<std::string> BuildCheckDfCommand(const std::string& os, const std::string& mount,
                                               const DfRequest& request);

}  // namespace tavrix
