#include "cli/mount_choice.h"

#include <gtest/gtest.h>

#include "cli/glob_match.h"

namespace tavrix::cli {
namespace {

TEST(GlobMatchesTest, ShellPatterns) {
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
    };
    const Case cases[] = {
        {"/run*", "/run", true},
        {"/run*", "/run/user/1000", true},
        {"/run/*", "/run", false},
        {"*", "", true},
        {"", "", true},
        {"", "/", false},
        {"/dev?shm", "/dev/shm", true},
        {"/m/[0-9]*", "/m/3997", true},
        {"/m/[!0-9]*", "/m/3997", false},
        {"/[a-c]", "/d", false},
        {"*a*b*c", "xaxbxxc", true},
        {"*a*b*c", "xaxbxxcx", false},
        {"/media/backup*", "/media/backup disk", true},
        {"\\*", "*", true},
        {"\\*", "x", false},
        {"[", "[", true},
        {"/[]]", "/]", true},
        {"C:", "c:", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GlobMatches(c.pattern, c.text), c.matches) << c.pattern << " ~ " << c.text;
    }
}

MountRecord Line(const std::string& mount, const std::string& type = "") {
    MountRecord record;
    record.Mount = mount;
    record.FsType = type;
    return record;
}

std::vector<std::string> Mounts(const std::vector<ChosenMount>& chosen) {
    std::vector<std::string> mounts;
    for (const auto& c : chosen) {
        mounts.push_back(c.mount + (c.recordIndex ? "@" + std::to_string(*c.recordIndex) : "?"));
    }
    return mounts;
}

TEST(ChooseMountsTest, NamedOrAllLessExcluded) {
    // The parser leaves an empty record behind for a line it skipped.
    const std::vector<MountRecord> records = {
        Line("/", "xfs"),       Line("/run", "tmpfs"), Line(""),
        Line("/boot", "xfs"),   Line("/", "xfs"),      Line("/run/lock", "tmpfs"),
        Line("/ignored", "xfs")};
    const int count = 6;  // the last record lies beyond the count
    using V = std::vector<std::string>;
    EXPECT_EQ(Mounts(ChooseMounts(records, count, {}, "LINUX")),
              (V{"/@4", "/run@1", "/boot@3", "/run/lock@5"}));
    EXPECT_EQ(Mounts(ChooseMounts(records, count, {{}, {"/run*"}, {}, {}, {}, false}, "LINUX")),
              (V{"/@4", "/boot@3"}));
    EXPECT_EQ(Mounts(ChooseMounts(records, count, {{}, {}, {"xfs"}, {}, {}, false}, "LINUX")),
              (V{"/@4", "/boot@3"}));
    EXPECT_EQ(
        Mounts(ChooseMounts(records, count, {{}, {"/boot"}, {}, {"tmp*"}, {}, false}, "LINUX")),
        (V{"/@4"}));
    EXPECT_EQ(Mounts(ChooseMounts(records, count, {{"/boot", "/nope", "/"}, {}, {}, {}, {}, false},
                                  "LINUX")),
              (V{"/boot@3", "/nope?", "/@4"}));
    EXPECT_EQ(Mounts(ChooseMounts({Line("C:")}, 1, {{"c:"}, {}, {}, {}, {}, false}, "BRWDF")),
              (V{"c:@0"}));
}

MountRecord Sized(const std::string& filesystem, const std::string& mount,
                  const std::string& type = "") {
    MountRecord record = Line(mount, type);
    record.Filesystem = filesystem;
    record.Size = 1000;
    record.SizeAsPrinted = 1000;
    return record;
}

TEST(ChooseMountsTest, ExcludedDevicesAndPseudoFileSystems) {
    const std::vector<MountRecord> records = {Sized("/dev/sda1", "/"),
                                              Sized("tmpfs", "/run", "tmpfs"),
                                              Line("/proc"),
                                              Sized("/dev/sdb1", "/srv"),
                                              Sized("/dev/sdc1", "/tmp"),
                                              Sized("tmpfs", "/tmp", "tmpfs"),
                                              Sized("/dev/sdd1", "/data")};
    const auto count = static_cast<int>(records.size());
    using V = std::vector<std::string>;
    MountChoice all;
    all.leaveOutPseudo = true;
    // tmpfs mounted over the disk's /tmp: the last line is the one in use.
    EXPECT_EQ(Mounts(ChooseMounts(records, count, all, "LINUX")), (V{"/@0", "/srv@3", "/data@6"}));
    // -x names a mount or a file system, exactly.
    all.excludeMounts = {"/srv", "/dev/sdd1", "/dat"};
    EXPECT_EQ(Mounts(ChooseMounts(records, count, all, "LINUX")), (V{"/@0"}));
    // A named mount is checked, pseudo or not.
    MountChoice named;
    named.mounts = {"/proc", "/run"};
    named.leaveOutPseudo = true;
    EXPECT_EQ(Mounts(ChooseMounts(records, count, named, "LINUX")), (V{"/proc@2", "/run@1"}));
}

}  // namespace
}  // namespace tavrix::cli
