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

    bool operator==(const MountRecord&) const = default;
};

}  // namespace tavrix
