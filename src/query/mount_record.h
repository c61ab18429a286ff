#pragma once

#include <cstdint>
#include <string>

namespace tavrix {

// One parsed data line of df output; numbers are in the blocks the command prints.
struct MountRecord {
    std::string Filesystem;
    std::string FsType;
    std::int32_t Size = 0;
    double Used = 0;
    double Available = 0;
    std::int16_t PercentUsed = 0;
    std::string Mount;
    // The size as printed, before it is narrowed into Size: sizes beyond the
    // 32-bit range show here; 0 for a size of 0 or one that is not a number ("-").
    double SizeAsPrinted = 0;

    bool operator==(const MountRecord&) const = default;
};

}  // namespace tavrix
