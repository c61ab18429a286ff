#include "host/evaluation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrix {
namespace {

MountRecord Free(const std::string& mount, double available, std::int16_t percentUsed = 0) {
    MountRecord record;
    record.Mount = mount;
    record.Available = available;
    record.PercentUsed = percentUsed;
    return record;
}

struct UnitCase {
    std::string name;
    double available;
    std::int16_t percentUsed;
    std::int32_t blockSize;
    std::string unit;
    double threshold;
    bool returnAsNumber;
    std::string text;
    bool enough;
};

class EvaluateUnits : public ::testing::TestWithParam<UnitCase> {};

TEST_P(EvaluateUnits, TextAndVerdict) {
    const UnitCase& c = GetParam();
    const EvaluationSettings settings{"/x",   "LINUX",     c.blockSize,
                                      c.unit, c.threshold, c.returnAsNumber};
    const Verdict verdict = EvaluateRecord(Free("/x", c.available, c.percentUsed), settings);
    EXPECT_EQ(verdict.text, c.text);
    EXPECT_EQ(verdict.enough, c.enough);
}

constexpr double kThreeGbIn1k = 3.0 * 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Units, EvaluateUnits,
    ::testing::Values(
        UnitCase{"GbAboveThreshold", kThreeGbIn1k, 0, 1024, "GB", 2.5, false,
                 "Free space on /x is 3 GB", true},
        UnitCase{"GbEqualCountsAsEnough", kThreeGbIn1k, 0, 1024, "GB", 3, false,
                 "Free space on /x is 3 GB", true},
        UnitCase{"GbBelowThreshold", kThreeGbIn1k, 0, 1024, "GB", 3.01, false,
                 "Free space on /x is 3 GB", false},
        UnitCase{"FigureOnly", kThreeGbIn1k, 0, 1024, "GB", 2.5, true, "3 GB", true},
        UnitCase{"HalfKilobytes", 5, 0, 512, "KB", 0, false, "Free space on /x is 2.5 KB", true},
        UnitCase{"Bytes", 5, 0, 512, "B", 2560, false, "Free space on /x is 2560 B", true},
        UnitCase{"Megabytes", 3072, 0, 1024, "MB", 3, true, "3 MB", true},
        UnitCase{"Terabytes", 1.5 * 1024 * 1024 * 1024, 0, 1024, "TB", 2, true, "1.5 TB", false},
        UnitCase{"UnknownUnitStaysBytes", 2, 0, 512, "GiB", 1024, true, "1024 GiB", true},
        UnitCase{"LowerCaseUnitIsUnknown", 2, 0, 512, "kb", 1024, true, "1024 kb", true},
        UnitCase{"EmptyUnitKeepsItsBlank", 2, 0, 512, "", 0, false, "Free space on /x is 1024 ",
                 true},
        UnitCase{"FigureRoundsHalfDownToEven", 2304, 0, 1, "KB", 0, true, "2.2 KB", true},
        UnitCase{"FigureRoundsHalfUpToEven", 2816, 0, 1, "KB", 0, true, "2.8 KB", true},
        // vdf's "2.3G" in 512-byte blocks lies just below 1.15 KB.
        UnitCase{"FigureRoundsTheExactValue", 2.3, 0, 512, "KB", 0, true, "1.1 KB", true},
        UnitCase{"FigureJustAboveAHalfRoundsUp", 6060.85, 0, 1, "B", 0, true, "6060.9 B", true},
        UnitCase{"FigureDropsZeroDecimal", 12.04 * 1024, 0, 1, "KB", 0, true, "12 KB", true},
        UnitCase{"UnroundedValueIsCompared", 2.96 * 1024, 0, 1, "KB", 3, true, "3 KB", false},
        UnitCase{"PercentComparesFreePercent", 2048, 85, 512, "%", 20, false,
                 "Free space on /x is 1024 kb", false},
        UnitCase{"PercentEqualCountsAsEnough", 2048, 80, 512, "%", 20, true, "1024 kb", true},
        UnitCase{"PercentKilobytesUnrounded", 1, 85, 1000, "%", 0, true, "0.9765625 kb", true}),
    [](const auto& info) { return info.param.name; });

struct LookupCase {
    std::string name;
    std::vector<std::string> mounts;
    int count;
    std::string resource;
    std::string os;
    std::optional<std::size_t> index;
};

class FindMount : public ::testing::TestWithParam<LookupCase> {};

TEST_P(FindMount, PicksTheLastMatchAmongCountedRecords) {
    const LookupCase& c = GetParam();
    std::vector<MountRecord> records;
    for (const auto& mount : c.mounts) {
        records.push_back(Free(mount, 1));
    }
    EXPECT_EQ(FindMountRecord(records, c.count, c.resource, c.os), c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, FindMount,
    ::testing::Values(
        LookupCase{"LastMatchWins", {"/var", "/", "/var", "/home"}, 4, "/var", "LINUX", 2},
        LookupCase{"CaseSensitive", {"C:"}, 1, "c:", "LINUX", std::nullopt},
        LookupCase{"BrwdfIgnoresCase", {"C:", "D:"}, 2, "c:", "BRWDF", 0},
        LookupCase{"OsCodeIsExact", {"C:"}, 1, "c:", "brwdf", std::nullopt},
        LookupCase{"RecordBeyondCountIgnored", {"/", "/var"}, 1, "/var", "LINUX", std::nullopt},
        LookupCase{"CountBeyondRecordsIsSafe", {"/var"}, 5, "/var", "LINUX", 0},
        LookupCase{"NegativeCount", {"/var"}, -1, "/var", "LINUX", std::nullopt},
        LookupCase{"EmptyResourceMatchesEmptyRecord", {"/", ""}, 2, "", "LINUX", 1}),
    [](const auto& info) { return info.param.name; });

TEST(EvaluateRecords, UnknownMount) {
    const EvaluationSettings settings{"/nope", "LINUX", 1024, "GB", 0, false};
    const Verdict verdict = EvaluateRecords({Free("/", 1)}, 1, settings);
    EXPECT_EQ(verdict.text, "Unknown mount");
    EXPECT_FALSE(verdict.enough);
    EXPECT_FALSE(verdict.recordIndex);
}

TEST(EvaluateRecords, UsesTheLastMatchAndNamesTheMountAsConfigured) {
    const EvaluationSettings settings{"c:", "BRWDF", 1024, "KB", 2, false};
    const Verdict verdict = EvaluateRecords({Free("C:", 1), Free("c:", 3)}, 2, settings);
    EXPECT_EQ(verdict.text, "Free space on c: is 3 KB");
    EXPECT_TRUE(verdict.enough);
    EXPECT_EQ(verdict.recordIndex, 1u);
}

}  // namespace
}  // namespace tavrix
