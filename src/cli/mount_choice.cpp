#include "cli/mount_choice.h"

#include <algorithm>

#include "cli/glob_match.h"
#include "host/evaluation.h"

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
    for (std::size_t i = 0; i < usable; ++i) {
        const MountRecord& record = records[i];
        const auto seen = std::ranges::find(chosen, record.Mount, &ChosenMount::mount);
        if (seen != chosen.end()) {
            seen->recordIndex = i;  // as in a single check, the last line of a mount counts
        } else if (Wanted(record, choice)) {
            chosen.push_back({record.Mount, i});
        }
    }
    return chosen;
}

}  // namespace tavrix::cli
