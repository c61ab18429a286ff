#include "query/inode_listing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "query/df_command.h"

namespace tavrix {

void PrintTo(const InodeRecord& r, std::ostream* os) {
    *os << "{" << r.filesystem << "|" << r.mount << "|" << r.total << "|" << r.used << "|" << r.free
        << "}";
}

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string Recorded(const std::string& file) {
    std::ifstream in(std::string(TAVRIX_RECORDED_OUTPUTS) + "/" + file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// One recorded inode listing per inode command: how many mounts it lists and
// the figures of one of them.
struct InodeCase {
    std::string file;
    std::string os;
    std::size_t count;
    InodeRecord sample;
};

void PrintTo(const InodeCase& c, std::ostream* out) {
    *out << c.file;
}

class RecordedInodeListings : public ::testing::TestWithParam<InodeCase> {};

TEST_P(RecordedInodeListings, GiveTheFiguresOfEveryMount) {
    const InodeCase& c = GetParam();
    ASSERT_TRUE(InodeDfCommand(c.os).has_value()) << c.os;
    // As the combined command delivers it: the rest of the marker's line first.
    const InodeListing listing = ParseInodeOutput("\n" + Recorded(c.file), c.os, "LF");
    EXPECT_TRUE(listing.asked);
    EXPECT_THAT(listing.problem, IsEmpty());
    EXPECT_EQ(listing.records.size(), c.count);
    const InodeRecord* found = FindInodeRecord(listing, c.sample.mount, c.os);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, c.sample);
}

INSTANTIATE_TEST_SUITE_P(
    EveryInodeCommand, RecordedInodeListings,
    ::testing::Values(
        InodeCase{
            "ubuntu-df-iP.txt", "LINUX", 18, {"//fileserver/team", "/mnt/team share", 0, 0, 0}},
        InodeCase{
            "ubuntu-df-iP.txt", "LINUX", 18, {"/dev/nvme0n1p2", "/", 30425088, 1921344, 28503744}},
        InodeCase{
            "freebsd-df-i.txt", "BSD", 10, {"zroot/home", "/home", 418279285, 60213, 418219072}},
        InodeCase{"macos-df-k.txt", "BSD", 9, {"map -hosts", "/net", 0, 0, 0}},
        InodeCase{"macos-df-k.txt", "BSD", 9, {"/dev/disk5s1", "/Volumes/Backup Disk", 1, 1, 0}},
        InodeCase{"solaris-df-oi.txt",
                  "SOLARIS",
                  1,
                  {"/dev/dsk/c0t1d0s6", "/u01", 30290048, 412833, 29877215}},
        InodeCase{"hpux-bdf-i.txt",
                  "HPUX11",
                  7,
                  {"/dev/vg01/lvol_oracle_data_long_name", "/u01", 983778, 1220, 982558}},
        InodeCase{"tru64-df-i.txt", "TRUE64", 5, {"usr_domain#usr", "/usr", 564000, 51234, 512766}},
        InodeCase{"sunos-df-i.txt", "SUNOS", 3, {"/dev/sd0g", "/usr", 73664, 9631, 64033}}));

TEST(InodeListing, WhatCannotBeReadSaysWhy) {
    struct Unreadable {
        std::string output;
        std::string problem;
    };
    for (const Unreadable& c : {
             // AIX's default layout: used inodes and a percentage, no free count
             Unreadable{Recorded("aix-df-i.txt"), "columns that are not understood"},
             Unreadable{"\nFilesystem 1K-blocks Used Available Use% Mounted on\n/dev/a 1 1 0 "
                        "100% /\n",
                        "columns that are not understood"},
             Unreadable{"\n", "printed no inode listing"},
         }) {
        const InodeListing listing = ParseInodeOutput(c.output, "AIX", "LF");
        EXPECT_THAT(listing.records, IsEmpty());
        EXPECT_THAT(listing.problem, HasSubstr(c.problem)) << c.output;
    }
}

TEST(InodeListing, CrlfLinesAndShortLines) {
    const InodeListing listing = ParseInodeOutput(
        "\r\nFilesystem Inodes IUsed IFree IUse% Mounted on\r\n/dev/a 10 4 6 40% /a\r\n"
        "/dev/short 1 2\r\n/dev/b 20 5 15 25% /b b\r\n",
        "LINUX", "CRLF");
    ASSERT_EQ(listing.records.size(), 2u);
    EXPECT_EQ(listing.records[1], (InodeRecord{"/dev/b", "/b b", 20, 5, 15}));
}

}  // namespace
}  // namespace tavrix
