#include "query/inode_listing.h"

#include "query/mount_match.h"

namespace tavrix {

InodeListing ParseInodeOutput(std::string_view, std::string_view, std::string_view) {
    InodeListing listing;
    listing.asked = true;
    listing.problem = "inode figures are not read yet";
    return listing;
}

const InodeRecord* FindInodeRecord(const InodeListing& listing, std::string_view mount,
                                   std::string_view os) {
    const InodeRecord* found = nullptr;
    for (const InodeRecord& record : listing.records) {
        if (MountMatches(record.mount, mount, os == "BRWDF")) {
            found = &record;
        }
    }
    return found;
}

}  // namespace tavrix
