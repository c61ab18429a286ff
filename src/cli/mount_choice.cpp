#include "cli/mount_choice.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "cli/glob_match.h"
#include "host/evaluation.h"
#include "query/pseudo_filesystems.h"

namespace tavrix::cli {

namespace {

bool AnyMatches(const std::vector<std::string>& patterns, const std::string& text) {
    return std::ranges::any_of(
        patterns, [&](const std::string& pattern) { return GlobMatches(pattern, text); });
}

bool Wanted(const MountRecord& record, const MountChoice& choice) {
    if (record.Mount.empty() || AnyMatches(choice.excludes, record.Mount)) {
        return false;
    }
    if (std::ranges::any_of(choice.excludeMounts, [&](const std::string& name) {
            return name == record.Mount || name == record.Filesystem;
        })) {
        return false;
    }
    if (choice.leaveOutPseudo && IsPseudoFileSystem(record)) {
        return false;
    }
    if (!choice.includeTypes.empty() && !AnyMatches(choice.includeTypes, record.FsType)) {
        return false;
    }
    return !AnyMatches(choice.excludeTypes, record.FsType);
}

}  // namespace

std::vector<ChosenMount> ChooseMounts(const std::vector<MountRecord>& records, int count,
                                      const MountChoice& choice, const std::string& os) {
    std::vector<ChosenMount> chosen;
    if (!choice.mounts.empty()) {
        for (const std::string& mount : choice.mounts) {
            chosen.push_back({mount, FindMountRecord(records, count, mount, os)});
        }
        return chosen;
    }
    const auto usable = std::min(static_cast<std::size_t>(std::max(count, 0)), records.size());
    std::vector<ChosenMount> listed;
    std::unordered_map<std::string_view, std::size_t> position;  // mount -> index in listed
    for (std::size_t i = 0; i < usable; ++i) {
        const auto [seen, added] = position.try_emplace(records[i].Mount, listed.size());
        if (added) {
            listed.push_back({records[i].Mount, i});
        } else {
            listed[seen->second].recordIndex = i;  // as in a single check, the last line counts
        }
    }
    // The last line decides: a file system mounted over another is the one in use.
    for (ChosenMount& mount : listed) {
        if (Wanted(records[*mount.recordIndex], choice)) {
            chosen.push_back(std::move(mount));
        }
    }
    return chosen;
}

}  // namespace tavrix::cli
