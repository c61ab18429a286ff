#pragma once
// Inode figures of the mounts, read from the inode df that the command line's
// check runs after the space df, in the same session.

#include <string>
#include <string_view>
#include <vector>

namespace tavrix {

struct InodeRecord {
    std::string filesystem;
    std::string mount;
    double total = 0;
    double used = 0;
    double free = 0;

    bool operator==(const InodeRecord&) const = default;
};

struct InodeListing {
    bool asked = false;  // the query ran an inode df
    std::vector<InodeRecord> records;
    // Empty when the records are the listing; otherwise why there are none
    // (no inode figures on this OS, columns that are not understood, ...).
    std::string problem;
};

// Parses the output of the inode df of `os` (InodeDfCommand), header first,
// lines ended as `eol` says. Lines of the header's layout become records;
// output whose header is not understood gives no records and a problem.
InodeListing ParseInodeOutput(std::string_view output, std::string_view os, std::string_view eol);

// The last record of the mount, matched as the space check matches it
// ("BRWDF" ignores letter case); nullptr when there is none.
const InodeRecord* FindInodeRecord(const InodeListing& listing, std::string_view mount,
                                   std::string_view os);

}  // namespace tavrix
