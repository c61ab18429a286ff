#include "cli/check_report.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrix::cli {
namespace {

MountRecord Record(const std::string& mount, double available, std::int32_t size,
                   std::int16_t percentUsed = 0) {
    MountRecord record;
    record.Mount = mount;
    record.Size = size;
    record.Available = available;
    record.PercentUsed = percentUsed;
    return record;
}

EvaluationSettings Settings(const std::string& unit, std::int32_t blockSize = 1024) {
    EvaluationSettings settings;
    settings.unit = unit;
    settings.blockSize = blockSize;
    return settings;
}

struct JudgeCase {
    std::string name;
    std::string mount;
    std::optional<MountRecord> record;
    EvaluationSettings settings;
    Limits limits;
    std::string line;  // PluginLine of the one mount, with the note as text
    int exitCode;
};

void PrintTo(const JudgeCase& c, std::ostream* os) {
    *os << c.name;
}

class JudgeMountTest : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeMountTest, StateNoteAndPerfdata) {
    const auto& c = GetParam();
    const MountReport report =
        JudgeMount(c.mount, c.record ? &*c.record : nullptr, c.settings, c.limits);
    EXPECT_EQ(PluginLine(report.state, report.figure + " " + report.note, {report.perfdata}),
              c.line);
    EXPECT_EQ(ExitCode(report.state), c.exitCode);
}

// 3 GB free of 4 GB, in 1024-byte blocks.
const MountRecord kVar = Record("/var", 3145728, 4194304, 25);

INSTANTIATE_TEST_SUITE_P(
    Mounts, JudgeMountTest,
    ::testing::Values(
        JudgeCase{"Enough",
                  "/var",
                  kVar,
                  Settings("GB"),
                  {2, 1},
                  "DISK OK - 3 GB  | '/var'=1073741824B;2147483648;3221225472;0;4294967296",
                  0},
        // Equal counts as enough, as in the check run.
        JudgeCase{"EqualIsEnough",
                  "/var",
                  kVar,
                  Settings("GB"),
                  {3, 3},
                  "DISK OK - 3 GB  | '/var'=1073741824B;1073741824;1073741824;0;4294967296",
                  0},
        JudgeCase{"Warning",
                  "/var",
                  kVar,
                  Settings("GB"),
                  {3.5, 1},
                  "DISK WARNING - 3 GB below the warning 3.5 GB | "
                  "'/var'=1073741824B;536870912;3221225472;0;4294967296",
                  1},
        // Critical wins over warning; a missing warning leaves its field empty; a
        // limit above the size is crossed at any use.
        JudgeCase{"Critical",
                  "/var",
                  kVar,
                  Settings("GB"),
                  {std::nullopt, 5},
                  "DISK CRITICAL - 3 GB below the critical 5 GB | "
                  "'/var'=1073741824B;;0;0;4294967296",
                  2},
        JudgeCase{"CriticalOverWarning",
                  "/var",
                  kVar,
                  Settings("MB"),
                  {4000, 3500},
                  "DISK CRITICAL - 3072 MB below the critical 3500 MB | "
                  "'/var'=1073741824B;100663296;624951296;0;4294967296",
                  2},
        // Percent: free percent against the limits; the perfdata stays bytes.
        JudgeCase{"Percent",
                  "/var",
                  kVar,
                  Settings("%"),
                  {80, 10},
                  "DISK WARNING - 75 % free below the warning 80 % | "
                  "'/var'=1073741824B;858993459;3865470566;0;4294967296",
                  1},
        // Petabytes stay plain digits, never an exponent or a comma.
        JudgeCase{"Huge",
                  "/big",
                  Record("/big", 1.0e9, 2147483647),
                  Settings("TB", 8192),
                  {std::nullopt, 1},
                  "DISK OK - 7.5 TB  | '/big'=9400186036224B;;16492674408448;0;17592186036224",
                  0},
        JudgeCase{"QuotedLabel",
                  "/it's=a|b",
                  Record("/x", 1, 1),
                  Settings("B", 512),
                  {0, 0},
                  "DISK OK - 512 B  | '/it''s_a_b'=0B;512;512;0;512",
                  0},
        JudgeCase{"NotListed",
                  "/nope",
                  std::nullopt,
                  Settings("GB"),
                  {2, 1},
                  "DISK UNKNOWN -  not listed by df",
                  3}),
    [](const auto& info) { return info.param.name; });

InodeListing Inodes(double total, double free, const std::string& mount = "/var") {
    InodeListing listing;
    listing.asked = true;
    listing.records.push_back({"/dev/sdb1", mount, total, total - free, free});
    return listing;
}

// Inode limits make a state worse, never better; missing figures are UNKNOWN
// with the reason, never a silent OK.
TEST(JudgeInodesTest, StateTextAndPerfdata) {
    InodeListing noFigures;
    noFigures.asked = true;
    noFigures.problem = "df on OS BRWDF prints no inode figures";
    struct Case {
        const char* name;
        InodeListing listing;
        Limits spaceLimits;
        std::string text;
        State state;
        std::string perfdata;
    };
    const std::string space = "'/var'=1073741824B;;3221225472;0;4294967296";
    const Case cases[] = {
        {"Critical",
         Inodes(1000, 30),
         {std::nullopt, 1},
         "3 GB, inodes 3 % free (below the critical 5 %)",
         State::Critical,
         space + " '/var inodes'=970;900;950;0;1000"},
        {"Warning",
         Inodes(1000, 80.5),
         {std::nullopt, 1},
         "3 GB, inodes 8.1 % free (below the warning 10 %)",
         State::Warning,
         space + " '/var inodes'=920;900;950;0;1000"},
        {"Enough",
         Inodes(1000, 500),
         {std::nullopt, 1},
         "3 GB, inodes 50 % free",
         State::Ok,
         space + " '/var inodes'=500;900;950;0;1000"},
        {"SpaceDecides",
         Inodes(1000, 500),
         {std::nullopt, 5},
         "3 GB (below the critical 5 GB), inodes 50 % free",
         State::Critical,
         "'/var'=1073741824B;;0;0;4294967296 '/var inodes'=500;900;950;0;1000"},
        {"NoFigures",
         noFigures,
         {std::nullopt, 1},
         "3 GB, inodes unknown (df on OS BRWDF prints no inode figures)",
         State::Unknown,
         space},
        {"NotListed",
         Inodes(1000, 500, "/other"),
         {std::nullopt, 1},
         "3 GB, inodes unknown (not listed by the inode df)",
         State::Unknown,
         space},
        {"NoFixedNumber",
         Inodes(0, 0),
         {std::nullopt, 1},
         "3 GB, inodes without a fixed number",
         State::Ok,
         space},
    };
    for (const Case& c : cases) {
        MountReport report = JudgeMount("/var", &kVar, Settings("GB"), c.spaceLimits);
        JudgeInodes(report, c.listing, {10, 5}, "LINUX");
        EXPECT_EQ(ReportText(report), c.text) << c.name;
        EXPECT_EQ(report.state, c.state) << c.name;
        EXPECT_EQ(report.perfdata, c.perfdata) << c.name;
    }
}

TEST(SeveralMountsTextTest, TroubleFirstWorstFirstThenTheOthers) {
    const Limits limits{100, 5};
    const EvaluationSettings gb = Settings("GB");
    const std::vector<MountReport> reports = {
        JudgeMount("/", &kVar, gb, {1, 0.5}), JudgeMount("/boot", &kVar, gb, {3.5, 1}),
        JudgeMount("/nope", nullptr, gb, limits), JudgeMount("/var", &kVar, gb, limits),
        JudgeMount("/home", &kVar, gb, {1, 0.5})};
    EXPECT_EQ(SeveralMountsText(reports),
              "/var 3 GB (below the critical 5 GB), /boot 3 GB (below the warning 3.5 GB), "
              "/nope (not listed by df); 2 others OK");
    EXPECT_EQ(SeveralMountsText({reports[0], reports[4]}), "2 mounts OK");
    EXPECT_EQ(SeveralMountsText(reports, true),
              "/var 3 GB (below the critical 5 GB), /boot 3 GB (below the warning 3.5 GB), "
              "/nope (not listed by df)");
    EXPECT_EQ(SeveralMountsText({reports[0], reports[4]}, true), "2 mounts OK");
    State worst = State::Ok;
    for (const auto& report : reports) {
        worst = Worse(worst, report.state);
    }
    EXPECT_EQ(worst, State::Critical);
    EXPECT_EQ(Worse(State::Unknown, State::Warning), State::Warning);
    EXPECT_EQ(Worse(State::Ok, State::Unknown), State::Unknown);
}

TEST(PluginLineTest, TextStaysOnOneLineWithoutPerfdata) {
    EXPECT_EQ(PluginLine(State::Unknown, "Login failed|denied\r\nbye", {""}),
              "DISK UNKNOWN - Login failed/denied  bye");
}

TEST(JsonLineTest, CarriesTheRecordAndEscapesTheText) {
    CheckOutcome outcome;
    outcome.result = true;
    outcome.text = "say \"hi\"\\";
    outcome.record = Record("/x", 5, 10);
    outcome.blockSize = 512;
    const std::string json = JsonLine(outcome, State::Ok, nullptr);
    EXPECT_NE(json.find("\"state\":\"OK\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"text\":\"say \\\"hi\\\"\\\\\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"Available\":5,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"blockSize\":512"), std::string::npos) << json;
}

}  // namespace
}  // namespace tavrix::cli
