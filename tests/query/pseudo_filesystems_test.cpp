#include "query/pseudo_filesystems.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "parse_in_parts.h"

namespace tavrix {
namespace {

using ::testing::HasSubstr;

std::string Recorded(const std::string& file) {
    std::ifstream in(std::string(TAVRIX_RECORDED_OUTPUTS) + "/" + file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Every mount of a recorded output, split into the ones a check of every
// mount leaves out and the ones it checks.
struct RecordedCase {
    std::string file;
    std::string os;
    std::string eol;
    std::set<std::string> pseudo;
    std::set<std::string> real;
};

void PrintTo(const RecordedCase& c, std::ostream* out) {
    *out << c.file << " as " << c.os;
}

class RecordedOutputs : public ::testing::TestWithParam<RecordedCase> {};

TEST_P(RecordedOutputs, PseudoFileSystemsAreLeftOutAndNoRealOneIsLost) {
    const RecordedCase& c = GetParam();
    QueryInputs inputs;
    inputs.os = c.os;
    inputs.eol = c.eol;
    const ParsedOutput parsed = ParseWhole(inputs, Recorded(c.file));
    std::set<std::string> pseudo;
    std::set<std::string> real;
    for (const MountRecord& record : parsed.records) {
        if (!record.Mount.empty()) {
            (IsPseudoFileSystem(record) ? pseudo : real).insert(record.Mount);
        }
    }
    EXPECT_EQ(pseudo, c.pseudo);
    EXPECT_EQ(real, c.real);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOsCode, RecordedOutputs,
    ::testing::Values(
        RecordedCase{"linux-df-k.txt",
                     "LINUX",
                     "LF",
                     {"/dev", "/run", "/dev/shm", "/run/lock", "/run/user/1000"},
                     {"/", "/boot/efi", "/media/backup disk"}},
        RecordedCase{"linux-df-kT.txt",
                     "LINUX",
                     "LF",
                     {"/dev", "/dev/shm", "/run", "/run/user/0"},
                     {"/", "/boot", "/home", "/data"}},
        RecordedCase{"ubuntu-df-kPT.txt",
                     "LINUX",
                     "LF",
                     {"/dev", "/run", "/dev/shm", "/run/lock", "/snap/core20/2015",
                      "/snap/core22/864", "/snap/lxd/24322", "/snap/snapd/20290",
                      "/var/lib/docker/overlay2/"
                      "9c1a5e0f3b7d2c48a6e1f0b93d7c5a21e8f4b6d0c2a9e7f1b3d5c8a0e6f2b4d9/merged",
                      "/var/lib/docker/containers/"
                      "4f7b2e9a1c3d5e8f0a2b4c6d8e0f1a3b5c7d9e1f3a5b7c9d1e3f5a7b9c1d3e5f/mounts/shm",
                      "/var/lib/docker/overlay2/"
                      "1e4f7a0b3c6d9e2f5a8b1c4d7e0f3a6b9c2d5e8f1a4b7c0d3e6f9a2b5c8d1e4f/merged",
                      "/run/user/1000"},
                     {"/", "/boot/efi", "/media/backup disk", "/srv/data", "/mnt/backup",
                      "/mnt/team share"}},
        RecordedCase{"macos-df-k.txt",
                     "BSD",
                     "LF",
                     {"/dev", "/System/Volumes/Data/home", "/net"},
                     {"/", "/System/Volumes/VM", "/System/Volumes/Preboot",
                      "/System/Volumes/Update", "/System/Volumes/Data", "/Volumes/Backup Disk"}},
        RecordedCase{
            "freebsd-df-k.txt",
            "BSD",
            "LF",
            {"/dev", "/proc", "/dev/fd", "/tmp", "/compat/linux/proc", "/compat/linux/sys"},
            {"/", "/boot/efi", "/home", "/var/log"}},
        RecordedCase{
            "freebsd-df-i.txt",
            "BSD",
            "LF",
            {"/dev", "/proc", "/dev/fd", "/tmp", "/compat/linux/proc", "/compat/linux/sys"},
            {"/", "/boot/efi", "/home", "/var/log"}},
        RecordedCase{"netbsd-df-k.txt",
                     "BSD",
                     "LF",
                     {"/kern", "/dev/pts", "/proc", "/var/shm"},
                     {"/", "/home"}},
        RecordedCase{
            "solaris-df-k.txt",
            "SOLARIS",
            "LF",
            {"/devices", "/system/contract", "/proc", "/etc/mnttab", "/etc/svc/volatile",
             "/system/object", "/etc/dfs/sharetab", "/dev/fd", "/tmp", "/var/run", "/net", "/home"},
            {"/", "/var", "/u01", "/export", "/export/home"}},
        RecordedCase{"hpux-bdf.txt",
                     "HPUX11",
                     "LF",
                     {},
                     {"/", "/stand", "/var", "/usr", "/tmp", "/opt", "/home", "/oradata",
                      "/opt/oracle", "/archive"}},
        RecordedCase{"hpux-bdf-i.txt",
                     "HPUX",
                     "LF",
                     {},
                     {"/", "/stand", "/var", "/usr", "/tmp", "/opt", "/u01"}},
        RecordedCase{"aix-df-P.txt",
                     "AIX",
                     "LF",
                     {"/proc"},
                     {"/", "/usr", "/var", "/tmp", "/home", "/admin", "/opt",
                      "/var/adm/ras/livedump", "/u01"}},
        RecordedCase{"tru64-df.txt", "TRUE64", "LF", {"/proc"}, {"/", "/usr", "/var", "/u01"}},
        RecordedCase{"tru64-df-i.txt", "TRUE64", "LF", {"/proc"}, {"/", "/usr", "/var", "/u01"}},
        RecordedCase{"sunos-df.txt", "SUNOS", "LF", {"/tmp"}, {"/", "/usr", "/home"}},
        RecordedCase{"sco5-df-kB.txt", "SCO5", "LF", {}, {"/", "/stand", "/u"}},
        RecordedCase{"windows-df-r.txt", "BRWDF", "CRLF", {}, {"C:", "D:", "E:", "Z:"}},
        RecordedCase{
            "esx-vdf.txt",
            "VMESX",
            "LF",
            {"/dev/shm", "/vmfs/devices", "Mounted on", "--"},
            {"/", "/boot", "/var/log", "/vmfs/volumes/datastore1", "/vmfs/volumes/san-lun01"}},
        RecordedCase{
            "esx-vdf.txt",
            "VMESX4",
            "LF",
            {"/dev/shm", "/vmfs/devices", "Mounted on", "--"},
            {"/", "/boot", "/var/log", "/vmfs/volumes/datastore1", "/vmfs/volumes/san-lun01"}}));

// Shapes that decide on their own, whatever the rest of the record says.
TEST(PseudoFileSystems, RealShapesAreNeverLeftOut) {
    struct Shape {
        MountRecord record;
        bool pseudo;
    };
    const auto rec = [](std::string fs, std::string type, double size, std::string mount) {
        MountRecord r;
        r.Filesystem = std::move(fs);
        r.FsType = std::move(type);
        r.SizeAsPrinted = size;
        r.Size = static_cast<std::int32_t>(size > 2e9 ? 0 : size);
        r.Mount = std::move(mount);
        return r;
    };
    for (const Shape& shape : {
             Shape{rec("nas:/export", "nfs", 0, "/mnt/nas"), false},
             Shape{rec("//server/share", "cifs", 0, "/mnt/share"), false},
             Shape{rec("", "", 0, "D:"), false},
             Shape{rec("/vmfs/volumes/4a3f", "", 0, "/vmfs/volumes/ds1"), false},
             Shape{rec("/dev/sdc1", "ext4", 5e12, "/big"), false},  // beyond 32-bit Size
             Shape{rec("/dev/loop4", "ext4", 1000, "/mnt/image"), false},
             Shape{rec("/dev/loop4", "", 1000, "/snap/core/1"), true},
             Shape{rec("/dev/sda1", "TMPFS", 1000, "/x"), true},
             Shape{rec("/dev/sda1", "", 1000, "/x"), false},
         }) {
        EXPECT_EQ(IsPseudoFileSystem(shape.record), shape.pseudo)
            << shape.record.Filesystem << " " << shape.record.Mount;
    }
}

TEST(PseudoFileSystems, SummaryNamesTheTableInShortLines) {
    const std::string summary = PseudoFileSystemSummary();
    for (const char* name : {"tmpfs", "squashfs", "overlay", "kernfs", "mnttab", "map -hosts"}) {
        EXPECT_THAT(summary, HasSubstr(name));
    }
    std::istringstream lines(summary);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 90u) << line;
    }
}

}  // namespace
}  // namespace tavrix
