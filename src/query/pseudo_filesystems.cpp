#include "query/pseudo_filesystems.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "support/text.h"

namespace tavrix {

namespace {

// Kernel, memory and image file systems, by the type df prints (GNU df -T)
// and by the name in df's first column, which is the type on most systems.
constexpr std::string_view kPseudoNames[] = {
    // memory
    "tmpfs",
    "devtmpfs",
    "ramfs",
    "swap",
    "shm",
    "hugetlbfs",
    // devices
    "udev",
    "devfs",
    "/devices",
    "/vmfs/devices",
    "devpts",
    "ptyfs",
    "fd",
    "fdesc",
    "fdescfs",
    // kernel and process tables
    "proc",
    "procfs",
    "linprocfs",
    "sysfs",
    "linsysfs",
    "kernfs",
    "ctfs",
    "objfs",
    "mnttab",
    "mntfs",
    "sharefs",
    "cgroup",
    "cgroup2",
    "mqueue",
    "tracefs",
    "debugfs",
    "securityfs",
    "pstore",
    "efivarfs",
    "bpf",
    "nsfs",
    "configfs",
    "fusectl",
    "binfmt_misc",
    "rpc_pipefs",
    // container layers, read-only images, automounter
    "overlay",
    "squashfs",
    "autofs",
    "-hosts",
    "none",
};

bool IsPseudoName(std::string_view name) {
    for (const std::string_view pseudo : kPseudoNames) {
        if (name.size() == pseudo.size() &&
            std::equal(name.begin(), name.end(), pseudo.begin(),
                       [](char a, char b) { return AsciiLower(a) == b; })) {
            return true;
        }
    }
    return false;
}

// NFS host:/path, CIFS //server/share, VMFS volumes and Windows drive letters
// are real whatever else they look like.
bool IsRealShape(const MountRecord& record) {
    const std::string_view fs = record.Filesystem;
    const std::string_view mount = record.Mount;
    if (fs.find(":/") != std::string_view::npos || fs.starts_with("//") || fs.starts_with("\\\\")) {
        return true;
    }
    if (mount.starts_with("/vmfs/volumes/") || fs.starts_with("/vmfs/volumes/")) {
        return true;
    }
    return fs.empty() && mount.size() >= 2 && mount[1] == ':' &&
           IsAsciiLetterOrDigit(mount[0]);  // a "BRWDF" drive
}

// A snap is a squashfs image on a loop device, mounted under /snap.
bool IsSnapImage(const MountRecord& record) {
    const std::string_view fs = record.Filesystem;
    const std::string_view mount = record.Mount;
    return fs.starts_with("/dev/loop") &&
           (mount.starts_with("/snap/") || mount.starts_with("/var/lib/snapd/snap/"));
}

}  // namespace

bool IsPseudoFileSystem(const MountRecord& record) {
    if (IsRealShape(record)) {
        return false;
    }
    if (record.SizeAsPrinted <= 0) {
        return true;  // size 0, or "-" where the system has no figure
    }
    const std::string_view fs = record.Filesystem;
    return IsPseudoName(record.FsType) || IsPseudoName(fs) || fs.starts_with("map ") ||
           IsSnapImage(record) || record.Mount == "--";
}

std::string PseudoFileSystemSummary() {
    std::string names;
    std::size_t lineLength = 0;
    for (const std::string_view name : kPseudoNames) {
        if (lineLength > 0 && lineLength + 1 + name.size() > 72) {
            names += "\n";
            lineLength = 0;
        } else if (lineLength > 0) {
            names += " ";
            ++lineLength;
        }
        names += name;
        lineLength += name.size();
    }
    return "file systems of size 0 or without a size (\"-\");\n"
           "these names and types:\n" +
           names +
           ";\n"
           "automounter maps (\"map -hosts\", \"map auto_home\"); snaps (/dev/loopN under /snap);\n"
           "ESX ramdisks (mount \"--\").\n"
           "Never left out: NFS host:/path, CIFS //server/share, /vmfs/volumes/..., drive "
           "letters.\n";
}

}  // namespace tavrix
