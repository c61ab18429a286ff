#pragma once
// Steps 10 to 12 of the check run: find the mount's record, convert its free
// space into the unit and compare it with the threshold. Pure.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "query/mount_record.h"

namespace tavrix {

struct EvaluationSettings {
    std::string resource;  // the mount, as configured
    std::string os;        // "BRWDF" compares mounts in lower case
    std::int32_t blockSize = 0;
    std::string unit;
    double compareValue = 0;
    bool returnAsNumber = false;
};

struct Verdict {
    bool enough = false;
    std::string text;
    std::optional<std::size_t> recordIndex;  // empty: "Unknown mount"
    double comparedValue = 0;                // unrounded, in the unit (free % for "%")
};

// Index of the last record among the first `count` whose Mount matches.
std::optional<std::size_t> FindMountRecord(const std::vector<MountRecord>& records, int count,
                                           const std::string& resource, const std::string& os);

// Bytes in one unit of the check: 1024 for "KB" ... 1024^4 for "TB"; 1 for "B",
// "%" and unknown units, whose figures stay bytes.
double BytesPerUnit(std::string_view unit);

Verdict EvaluateRecord(const MountRecord& record, const EvaluationSettings& settings);

// FindMountRecord then EvaluateRecord; "Unknown mount" and false when none matches.
Verdict EvaluateRecords(const std::vector<MountRecord>& records, int count,
                        const EvaluationSettings& settings);

}  // namespace tavrix
