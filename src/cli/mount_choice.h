#pragma once
// Which mounts a check of several mounts looks at, out of one listing of all.

#include <optional>
#include <string>
#include <vector>

#include "query/mount_record.h"

namespace tavrix::cli {

struct MountChoice {
    std::vector<std::string> mounts;         // --mount, in order; empty: every listed mount (--all)
    std::vector<std::string> excludes;       // --exclude patterns on the mount
    std::vector<std::string> includeTypes;   // --include-type patterns on the type
    std::vector<std::string> excludeTypes;   // --exclude-type patterns on the type
    std::vector<std::string> excludeMounts;  // -x: a mount or file system, exactly
    bool leaveOutPseudo = false;             // --all without --include-pseudo
};

struct ChosenMount {
    std::string mount;
    std::optional<std::size_t> recordIndex;  // empty: the listing lacks it
};

// The named mounts in their order (each found as a single check finds it), or
// every listed mount in df order, once, with its last line, less the excluded
// ones (and the pseudo file systems, when asked). Type patterns apply only when
// the listing has a type column. A named mount is always checked.
std::vector<ChosenMount> ChooseMounts(const std::vector<MountRecord>& records, int count,
                                      const MountChoice& choice, const std::string& os);

}  // namespace tavrix::cli
