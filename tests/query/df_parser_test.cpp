#include "query/df_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "query/df_line.h"
#include "query/query_state.h"
#include "support/trace.h"

namespace tavrix {

void PrintTo(const MountRecord& r, std::ostream* os) {
    *os << "{" << r.Filesystem << "|" << r.FsType << "|" << r.Size << "|" << r.Used << "|"
        << r.Available << "|" << r.PercentUsed << "|" << r.Mount << "}";
}

namespace {

using ::testing::ElementsAreArray;

const std::string kHeader = "Filesystem     1K-blocks     Used Available Use% Mounted on";
const std::string kTypeHeader = "Filesystem     Type 1K-blocks  Used Available Use% Mounted on";
const std::string kHomeLine = "/dev/sda1 1000 400 600 40% /home";

// The size as printed is the size, unless the size did not fit.
MountRecord Rec(std::string fs, std::string type, std::int32_t size, double used, double avail,
                std::int16_t pct, std::string mount, std::optional<double> printed = {}) {
    return {std::move(fs),    std::move(type),       size, used, avail, pct,
            std::move(mount), printed.value_or(size)};
}

const MountRecord kHome = Rec("/dev/sda1", "", 1000, 400, 600, 40, "/home");
const MountRecord kEmpty{};

void StartQuery(const std::string& os, const std::string& eol, const std::string& resource) {
    gOS = os;
    gEOL = eol;
    gResource = resource;
    gExpectHeader = true;
    gHasTypeColumn = false;
    gFirstLine.clear();
    ResetMountRecords();
}

std::vector<MountRecord> UsedRecords() {
    return {gMountRecords.begin(), gMountRecords.begin() + gMountCount};
}

struct ParseCase {
    std::string name;
    std::string os;
    std::string eol;
    std::string resource;
    std::vector<std::string> pieces;
    std::vector<MountRecord> records;
    std::string header;
    bool hasType = false;
};

class ParsePieces : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParsePieces, YieldsRecordsAndHeader) {
    const ParseCase& c = GetParam();
    StartQuery(c.os, c.eol, c.resource);
    for (const auto& piece : c.pieces) {
        Splitt_in_lines(piece);
    }
    EXPECT_THAT(UsedRecords(), ElementsAreArray(c.records));
    EXPECT_EQ(gFirstLine, c.header);
    EXPECT_EQ(gHasTypeColumn, c.hasType);
    EXPECT_FALSE(gExpectHeader);
}

const std::string H = kHeader + "\n";

INSTANTIATE_TEST_SUITE_P(
    DfOutput, ParsePieces,
    ::testing::Values(
        ParseCase{"OneLine", "LINUX", "LF", "/home", {H + kHomeLine + "\n"}, {kHome}, kHeader},
        ParseCase{"FilesystemAloneGluedToIndentedNumbers",
                  "LINUX",
                  "LF",
                  "/home",
                  {H + "/dev/sda1\n      1000 400 600 40% /home\n"},
                  {kHome},
                  kHeader},
        ParseCase{"LoneWordOpeningLaterPieceGluedToItsNextLine",
                  "LINUX",
                  "LF",
                  "/home",
                  {H, "/dev/sda1\n      1000 400 600 40% /home\n"},
                  {kHome},
                  kHeader},
        ParseCase{"BlankLineBeforeEndTakesEmptyRecord",
                  "LINUX",
                  "LF",
                  "",
                  {H + kHomeLine + "\n\n"},
                  {kHome, kEmpty},
                  kHeader},
        ParseCase{"TypeColumn",
                  "LINUX",
                  "LF",
                  "/home",
                  {kTypeHeader + "\n/dev/sda1 ext4 1000 400 600 40% /home\n"},
                  {Rec("/dev/sda1", "ext4", 1000, 400, 600, 40, "/home")},
                  kTypeHeader,
                  true},
        ParseCase{"OtherMountLeavesEmptyCountedRecord",
                  "LINUX",
                  "LF",
                  "/home",
                  {H + "/dev/sda2 500 100 400 20% /\n" + kHomeLine + "\n"},
                  {kEmpty, kHome},
                  kHeader},
        ParseCase{"EmptyResourceKeepsEveryLine",
                  "LINUX",
                  "LF",
                  "",
                  {H + "/dev/sda2 500 100 400 20% /\n" + kHomeLine + "\n"},
                  {Rec("/dev/sda2", "", 500, 100, 400, 20, "/"), kHome},
                  kHeader},
        ParseCase{"MountWithBlanksStoredAndMatchedWhole",
                  "LINUX",
                  "LF",
                  "/mnt/my  disk",
                  {H + "/dev/sdb1 100 50 50 50%   /mnt/my  disk  \n"},
                  {Rec("/dev/sdb1", "", 100, 50, 50, 50, "/mnt/my  disk")},
                  kHeader},
        ParseCase{"GenericFilterIsCaseSensitive",
                  "LINUX",
                  "LF",
                  "/HOME",
                  {H + kHomeLine + "\n"},
                  {kEmpty},
                  kHeader},
        ParseCase{"BrwdfIgnoresCaseReadsFiveWords",
                  "BRWDF",
                  "CRLF",
                  "c:",
                  {"Drive Size Used Avail Use%\r\nC: 1000 400 600 40% 7 8 9\r\n"},
                  {Rec("", "", 1000, 400, 600, 40, "C:")},
                  "Drive Size Used Avail Use%"},
        ParseCase{"BrwdfDashLineAndOtherDrive",
                  "BRWDF",
                  "CRLF",
                  "c:",
                  {"Drive\r\n----- ---- ----\r\nD: 1 2 3 4% x\r\n"},
                  {kEmpty, kEmpty},
                  "Drive"},
        ParseCase{"CrlfOutputReadWithLfKeepsCarriageReturn",
                  "LINUX",
                  "LF",
                  "",
                  {kHeader + "\r\n" + kHomeLine + "\r\n"},
                  {Rec("/dev/sda1", "", 1000, 400, 600, 40, "/home\r")},
                  kHeader + "\r"},
        ParseCase{"CrlfOutputReadWithLfMissesMount",
                  "LINUX",
                  "LF",
                  "/home",
                  {H + kHomeLine + "\r\n"},
                  {kEmpty},
                  kHeader},
        ParseCase{"Crlf",
                  "LINUX",
                  "CRLF",
                  "/home",
                  {kHeader + "\r\n" + kHomeLine + "\r\n"},
                  {kHome},
                  kHeader},
        ParseCase{
            "Cr", "LINUX", "CR", "/home", {kHeader + "\r" + kHomeLine + "\r"}, {kHome}, kHeader},
        ParseCase{"UnknownEolSplitsAtLineFeed",
                  "LINUX",
                  "crlf",
                  "/home",
                  {H + kHomeLine + "\n"},
                  {kHome},
                  kHeader},
        ParseCase{"EmptyEolSplitsAtLineFeed",
                  "LINUX",
                  "",
                  "/home",
                  {H + kHomeLine + "\n"},
                  {kHome},
                  kHeader},
        ParseCase{"EmptyPieceChangesNothing",
                  "LINUX",
                  "LF",
                  "/home",
                  {"", H, "", kHomeLine + "\n"},
                  {kHome},
                  kHeader},
        ParseCase{"EmptyFirstLineIsTheHeader",
                  "LINUX",
                  "LF",
                  "",
                  {"\n" + H + kHomeLine + "\n"},
                  {Rec("Filesystem", "", 1, 0, 0, 0, "Mounted on"), kHome},
                  ""},
        ParseCase{"NoHeaderInLaterPieces",
                  "LINUX",
                  "LF",
                  "",
                  {H + kHomeLine + "\n", kTypeHeader + "\n"},
                  {kHome, Rec("Filesystem", "", 0, 1, 0, 0, "Use% Mounted on")},
                  kHeader},
        ParseCase{"NoJoiningAcrossPiecesWordWithoutLineEnd",
                  "LINUX",
                  "LF",
                  "/home",
                  {H + "/dev/sda1", "\n   1000 400 600 40% /home\n"},
                  {Rec("1000", "", 400, 600, 40, 0, "/home")},
                  kHeader},
        ParseCase{"NoJoiningAcrossPiecesWordBeforeLineEnd",
                  "LINUX",
                  "LF",
                  "",
                  {H + "/dev/sda1\n", "   1000 400 600 40% /home\n"},
                  {Rec("", "", 0, 0, 0, 0, "/dev/sda1"), Rec("1000", "", 400, 600, 40, 0, "/home")},
                  kHeader},
        ParseCase{"SizeOverflowLeavesSizeZero",
                  "LINUX",
                  "LF",
                  "/home",
                  {H + "/dev/sda1 99999999999 400 600 40% /home\n"},
                  {Rec("/dev/sda1", "", 0, 400, 600, 40, "/home", 99999999999.0)},
                  kHeader},
        ParseCase{"PercentOverflowLeavesPercentZero",
                  "LINUX",
                  "LF",
                  "/home",
                  {H + "/dev/sda1 1000 400 600 40000% /home\n"},
                  {Rec("/dev/sda1", "", 1000, 400, 600, 0, "/home")},
                  kHeader},
        ParseCase{"NarrowingRoundsHalfToEven",
                  "LINUX",
                  "LF",
                  "",
                  {H + "a 1000.5 1.25 2.5 40.5% /a\nb 1001.5 0 0 41.5% /b\n"},
                  {Rec("a", "", 1000, 1.25, 2.5, 40, "/a", 1000.5),
                   Rec("b", "", 1002, 0, 0, 42, "/b", 1001.5)},
                  kHeader},
        ParseCase{"TooFewWords",
                  "LINUX",
                  "LF",
                  "",
                  {H + "/dev/sda1 1000 /home\n/dev/sda2 1000 400 600 40%\n"},
                  {Rec("/dev/sda1", "", 1000, 0, 0, 0, "/home"),
                   Rec("/dev/sda2", "", 1000, 400, 600, 0, "40%")},
                  kHeader},
        ParseCase{
            "NulBytesAndInvalidUtf8AreOrdinaryCharacters",
            "LINUX",
            "LF",
            "",
            {H + std::string("/dev/\0\xff", 7) + " 1 2 3 4% " + std::string("/\xc3(\0", 4) + "\n"},
            {Rec(std::string("/dev/\0\xff", 7), "", 1, 2, 3, 4, std::string("/\xc3(\0", 4))},
            kHeader}),
    [](const auto& info) { return info.param.name; });

struct TraceCase {
    std::string name;
    std::string os;
    std::string resource;
    std::string piece;
    std::vector<std::string> traces;
};

class ParserTraces : public ::testing::TestWithParam<TraceCase> {};

TEST_P(ParserTraces, WordForWord) {
    const TraceCase& c = GetParam();
    StartQuery(c.os, "LF", c.resource);
    gExpectHeader = false;
    TraceCapture capture;
    Splitt_in_lines(c.piece);
    EXPECT_THAT(capture.Texts(), ElementsAreArray(c.traces));
}

INSTANTIATE_TEST_SUITE_P(
    DfOutput, ParserTraces,
    ::testing::Values(
        TraceCase{"GenericLine",
                  "LINUX",
                  "/home",
                  "  " + kHomeLine + "  \n",
                  {"Mount to find: /home", "String: /dev/sda1 1000 400 600 40% /home",
                   "Filesystem: /dev/sda1", "Size : 1000", "Used : 400", "Available : 600",
                   "Percentage in use : 40", "Mount : /home"}},
        TraceCase{"GenericOtherMountAndFullSize",
                  "LINUX",
                  "/home",
                  "/dev/sda2 99999999999 1.5 400 20% /\n",
                  {"Mount to find: /home", "String: /dev/sda2 99999999999 1.5 400 20% /",
                   "Filesystem: /dev/sda2", "Size : 99999999999", "Used : 1.5", "Available : 400",
                   "Percentage in use : 20", "Mount : /",
                   "Exit SplitParameters wrong resource.  Found=/ while searching for /home"}},
        TraceCase{"GenericWithoutPercentage",
                  "LINUX",
                  "",
                  "x 1 2 3\n",
                  {"Mount to find: ", "String: x 1 2 3", "Filesystem: x", "Size : 1", "Used : 2",
                   "Available : 0", "Percentage in use : ", "Mount : 3"}},
        TraceCase{"BrwdfDashLine",
                  "BRWDF",
                  "c:",
                  "---- ----\n",
                  {"Mount to find: c:", "String: ---- ----"}},
        TraceCase{"BrwdfOtherDrive",
                  "BRWDF",
                  "c:",
                  "D: 1 2 3 4%\n",
                  {"Mount to find: c:", "String: D: 1 2 3 4%",
                   "Exit SplitParameters wrong resource.  Found=D: while searching for c:"}},
        TraceCase{"BrwdfDriveFields",
                  "BRWDF",
                  "C:",
                  "c: 1 2 3 4%\n",
                  {"Mount to find: C:", "String: c: 1 2 3 4%"}},
        TraceCase{"EmptyPieceTracesNothing", "LINUX", "/home", "", {}}),
    [](const auto& info) { return info.param.name; });

std::string DataLines(int count, const std::string& mountPrefix) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "/dev/x " + std::to_string(i) + " 1 2 3% " + mountPrefix + std::to_string(i) + "\n";
    }
    return text;
}

TEST(DfParserLimits, RecordCountStopsAt32767AndStaysThereInLaterPieces) {
    StartQuery("LINUX", "LF", "");
    TraceCapture capture;
    Splitt_in_lines(H + DataLines(40000, "/a"));
    ASSERT_EQ(gMountCount, 32767);
    EXPECT_EQ(gMountRecords[32766].Mount, "/a32766");
    Splitt_in_lines(DataLines(3, "/b"));
    EXPECT_EQ(gMountCount, 32767);
    EXPECT_EQ(gMountRecords[32766].Mount, "/a32766");
    EXPECT_TRUE(gRecordLimitReached);
    EXPECT_EQ(std::count(capture.Texts().begin(), capture.Texts().end(),
                         "32,767 records reached; the rest of the output was not read"),
              1);
    ResetMountRecords();
    EXPECT_FALSE(gRecordLimitReached);
}

TEST(DfParserLimits, PieceBelowTheLimitIsParsedUpToIt) {
    StartQuery("LINUX", "LF", "");
    Splitt_in_lines(H + DataLines(32760, "/a"));
    Splitt_in_lines(DataLines(10, "/b"));
    ASSERT_EQ(gMountCount, 32767);
    EXPECT_EQ(gMountRecords[32766].Mount, "/b6");
}

TEST(DfParserLimits, MegabyteLines) {
    StartQuery("LINUX", "LF", "");
    const std::string word(1 << 20, 'x');
    Splitt_in_lines(H + word + "\n" + word + " 1 2 3 4% " + word + "\n" + word);
    ASSERT_EQ(gMountCount, 1);
    EXPECT_EQ(gMountRecords[0], Rec(word, "", 0, 1, 2, 3, "4% " + word));
}

TEST(DfParserThreads, EachThreadParsesIntoItsOwnState) {
    std::vector<std::vector<MountRecord>> results(4);
    std::vector<std::string> headers(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &results, &headers] {
            const std::string mount = "/m" + std::to_string(t);
            StartQuery(t % 2 == 0 ? "LINUX" : "BRWDF", "LF", t == 3 ? "" : mount);
            for (int round = 0; round < 200; ++round) {
                Splitt_in_lines((round == 0 ? "head" + std::to_string(t) + "\n" : "") +
                                DataLines(20, "/m"));
            }
            headers[t] = gFirstLine;
            results[t] = UsedRecords();
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(headers[t], "head" + std::to_string(t));
        ASSERT_EQ(results[t].size(), 4000u);
        const auto stored = std::count_if(results[t].begin(), results[t].end(),
                                          [](const MountRecord& r) { return r != kEmpty; });
        // LINUX keeps its one mount per round; BRWDF sees the drive /dev/x only.
        EXPECT_EQ(stored, t == 3 ? 4000 : t % 2 == 0 ? 200 : 0);
        if (t == 0) {
            EXPECT_EQ(results[t][0], Rec("/dev/x", "", 0, 1, 2, 3, "/m0"));
        }
        if (t == 3) {
            EXPECT_EQ(results[t][21], Rec("", "", 1, 1, 2, 3, "/dev/x"));
        }
    }
}

TEST(DfParserSplitParameters, FillsTheGivenIndexAndLeavesItUnchanged) {
    StartQuery("LINUX", "LF", "");
    gHasTypeColumn = true;
    const std::int16_t index = 2;
    SplitParameters("/dev/sda1 xfs 10 4 6 40% /srv", index);
    EXPECT_EQ(index, 2);
    ASSERT_GE(gMountRecords.size(), 3u);
    EXPECT_EQ(gMountRecords[2], Rec("/dev/sda1", "xfs", 10, 4, 6, 40, "/srv"));
    EXPECT_EQ(gMountCount, 0);
}

}  // namespace
}  // namespace tavrix
