#include "cli/check_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrix::cli {
namespace {

std::vector<OptionInfo> Known() {
    return {{"--warning", "-w", true},   {"--critical", "-c", true, {"--threshold"}},
            {"--timeout", "-t", true},   {"--verbose", "-v", false},
            {"--all", "", false},        {"--iwarning", "-W", true},
            {"--icritical", "-K", true}, {"--unit", "", true},
            {"--units", "-u", true}};
}

struct OptionsCase {
    std::string name;
    std::vector<std::string> args;
    std::string error;  // empty: accepted
    Limits limits;
    TimeLimit timeLimit;
    bool percent = false;
    Limits inodeLimits = {};
    std::optional<std::string> unit = {};
};

void PrintTo(const OptionsCase& c, std::ostream* os) {
    *os << c.name;
}

class CheckOptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(CheckOptionsTest, ReadsExactlyOrNamesTheOption) {
    const auto& c = GetParam();
    try {
        const Arguments args(c.args, Known());
        const SpaceLimits space = LimitOptions(args);
        const Limits inodes = InodeLimitOptions(args);
        const std::optional<std::string> unit = UnitOption(args);
        const TimeLimit timeLimit = TimeLimitOption(args);
        EXPECT_TRUE(c.error.empty()) << "accepted";
        EXPECT_EQ(space.limits.warning, c.limits.warning);
        EXPECT_EQ(space.limits.critical, c.limits.critical);
        EXPECT_EQ(space.percent, c.percent);
        EXPECT_EQ(inodes.warning, c.inodeLimits.warning);
        EXPECT_EQ(inodes.critical, c.inodeLimits.critical);
        EXPECT_EQ(unit, c.unit);
        EXPECT_EQ(timeLimit.seconds, c.timeLimit.seconds);
        EXPECT_EQ(timeLimit.onTimeout, c.timeLimit.onTimeout);
    } catch (const UsageError& error) {
        EXPECT_FALSE(c.error.empty()) << error.what();
        EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, CheckOptionsTest,
    ::testing::Values(
        OptionsCase{"Defaults", {}, "", {}, {10, State::Unknown}},
        OptionsCase{"Both", {"-w", "10", "--critical=2.5", "-t", "20"}, "", {10, 2.5}, {20}},
        OptionsCase{"ThresholdIsCritical", {"--threshold", ".5"}, "", {std::nullopt, 0.5}, {}},
        OptionsCase{"TimeoutState", {"-t", "5:CRITICAL"}, "", {}, {5, State::Critical}},
        OptionsCase{"RangeForm", {"-w", "10:"}, "-w must be a plain number", {}, {}},
        OptionsCase{"DecimalComma", {"-c", "2,5"}, "(write 2.5", {}, {}},
        OptionsCase{"Thousands", {"-c", "5,500,000"}, "-c must be", {}, {}},
        OptionsCase{"Word", {"-w", "abc"}, "not \"abc\"", {}, {}},
        OptionsCase{"Negative", {"-c", "-1"}, "-c must be", {}, {}},
        OptionsCase{"Exponent", {"-c", "1e3"}, "", {std::nullopt, 1000}, {}},
        OptionsCase{"Blank", {"-c", "5 "}, "-c must be", {}, {}},
        OptionsCase{"ZeroSeconds", {"-t", "0"}, "-t must be whole seconds", {}, {}},
        OptionsCase{"NegativeSeconds", {"-t", "-1"}, "-t must be whole seconds", {}, {}},
        OptionsCase{"FractionSeconds", {"-t", "2.5"}, "-t must be whole seconds", {}, {}},
        OptionsCase{"TooManySeconds", {"-t", "32768"}, "-t must be whole seconds", {}, {}},
        OptionsCase{"HugeSeconds", {"-t", "99999999999999999999"}, "-t must be", {}, {}},
        OptionsCase{"LowerCaseState", {"-t", "5:critical"}, "OK, WARNING, CRITICAL", {}, {}},
        // check_disk's forms: free percent, inode percent, its unit names.
        OptionsCase{"Percent", {"-w", "10%", "-c", "5.5%"}, "", {10, 5.5}, {}, true},
        OptionsCase{"PercentAlone", {"-c", "0%"}, "", {std::nullopt, 0}, {}, true},
        OptionsCase{
            "PercentAndUnits", {"-w", "10%", "-c", "5"}, "must both be free percent", {}, {}},
        OptionsCase{"PercentAbove100", {"-w", "101%"}, "more than 100% free", {}, {}},
        OptionsCase{"PercentOnly", {"-w", "%"}, "-w must be", {}, {}},
        OptionsCase{"PercentTwice", {"-w", "10%%"}, "-w must be", {}, {}},
        OptionsCase{"Inodes", {"-W", "20%", "-K", "10%"}, "", {}, {}, false, {20, 10}},
        OptionsCase{"InodesWithoutPercent", {"-W", "20"}, "-W is free inodes in percent", {}, {}},
        OptionsCase{"InodesAbove100", {"-K", "200%"}, "more than 100% free", {}, {}},
        OptionsCase{"UnitBytes", {"-u", "bytes"}, "", {}, {}, false, {}, "B"},
        OptionsCase{"UnitKilo", {"-u", "kB"}, "", {}, {}, false, {}, "KB"},
        OptionsCase{"UnitOurs", {"--unit", "%"}, "", {}, {}, false, {}, "%"},
        OptionsCase{"UnitPercentIsNone", {"-u", "%"}, "write -w 10% -c 5%", {}, {}},
        OptionsCase{"UnitLowerCase", {"-u", "gb"}, "-u must be", {}, {}},
        OptionsCase{"UnitTwice", {"-u", "GB", "--unit", "GB"}, "not both", {}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(ArgumentsTest, AliasesRepeatsAndFlagBundles) {
    const Arguments args({"-vvv", "--threshold", "1", "-v", "--all", "-w", "3", "-w", "4"},
                         Known());
    EXPECT_EQ(args.Count("--verbose"), 4u);
    EXPECT_EQ(args.Value("--critical"), "1");
    EXPECT_EQ(args.Values("--warning"), (std::vector<std::string>{"3", "4"}));
    EXPECT_EQ(args.Value("--warning"), "4");
    // A bundle holds flags only; anything else stays an unknown option.
    EXPECT_THROW(Arguments({"-vw"}, Known()), UsageError);
    EXPECT_THROW(Arguments({"-vx"}, Known()), UsageError);
}

}  // namespace
}  // namespace tavrix::cli
