#include "cli/filesystem_types.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "query/pseudo_filesystems.h"

namespace tavrix::cli {

namespace {

// Real file-system types as the df of each system prints them.
constexpr std::string_view kRealTypes[] = {
    // Linux local
    "ext2", "ext3", "ext4", "xfs", "btrfs", "bcachefs", "jfs", "reiserfs", "f2fs", "nilfs2", "vfat",
    "msdos", "exfat", "ntfs", "ntfs3", "fuseblk", "fuse", "iso9660", "udf", "hfsplus", "zfs",
    "ocfs2", "gfs2",
    // network and cluster
    "nfs", "nfs3", "nfs4", "cifs", "smb3", "smbfs", "ceph", "cephfs", "glusterfs", "lustre", "gpfs",
    "beegfs", "afs", "9p", "sshfs", "fuse.sshfs", "fuse.glusterfs", "fuse.ceph", "fuse.s3fs",
    "fuse.rclone", "davfs", "webdav", "afpfs",
    // BSD and macOS
    "ufs", "ffs", "lfs", "msdosfs", "cd9660", "ext2fs", "fusefs", "nullfs", "unionfs", "apfs",
    "hfs", "mfs",
    // Solaris, AIX, HP-UX, Tru64
    "lofs", "vxfs", "hsfs", "pcfs", "udfs", "samfs", "qfs", "cachefs", "jfs2", "cdrfs", "cdfs",
    "advfs", "s5", "htfs", "dtfs",
    // VMware ESX and Windows
    "vmfs", "vmfs3", "vmfs5", "vmfs6", "vsan", "fat", "fat32", "refs"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

}  // namespace

bool IsKnownFileSystemType(std::string_view type) {
    const std::string lower = Lower(type);
    if (std::ranges::find(kRealTypes, lower) != std::end(kRealTypes)) {
        return true;
    }
    // A record that only its type could make pseudo.
    MountRecord probe;
    probe.Filesystem = "/dev/probe";
    probe.Mount = "/probe";
    probe.FsType = lower;
    probe.Size = 1000;
    probe.SizeAsPrinted = 1000;
    probe.Available = 500;
    return IsPseudoFileSystem(probe);
}

bool IsTypePattern(std::string_view value) {
    return value.find_first_of("*?[\\") != std::string_view::npos;
}

}  // namespace tavrix::cli
