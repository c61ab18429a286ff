#pragma once
// File systems that a check of every mount leaves out by default: kernel and
// memory file systems, read-only images that are always full, automounter
// maps, and records without a size. One table, in pseudo_filesystems.cpp.

#include <string>

#include "query/mount_record.h"

namespace tavrix {

// True for a record of size 0 or with a size that is not a number ("-"), a
// pseudo type (FsType, where df printed one), or a pseudo file system name or
// shape (proc, devfs, "map -hosts", a /dev/loopN image mounted under /snap,
// overlay, ...). Never true for disks, NFS host:/path, CIFS //server/share,
// /vmfs/volumes/... or Windows drive letters.
bool IsPseudoFileSystem(const MountRecord& record);

// The table in words, one line per group, each line ending in "\n"; for the
// command line's help and the README.
std::string PseudoFileSystemSummary();

}  // namespace tavrix
