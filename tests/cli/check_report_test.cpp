#include "cli/check_report.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrix::cli {
namespace {

CheckOutcome Found(bool enough, double available, std::int32_t size, std::int32_t blockSize) {
    CheckOutcome outcome;
    outcome.result = enough;
    outcome.text = "Free space on /var is 3 GB";
    MountRecord record;
    record.Mount = "/var";
    record.Size = size;
    record.Available = available;
    outcome.record = record;
    outcome.blockSize = blockSize;
    return outcome;
}

struct ReportCase {
    std::string name;
    CheckOutcome outcome;
    std::string mount;
    std::string line;
    int exitCode;
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class NagiosLineTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(NagiosLineTest, StatesTheOutcomeWithPlainFigures) {
    const auto& c = GetParam();
    const State state = StateOf(c.outcome);
    EXPECT_EQ(NagiosLine(c.outcome, state, c.mount), c.line);
    EXPECT_EQ(ExitCode(state), c.exitCode);
}

CheckOutcome Flagged(CheckStatus status, const std::string& text) {
    CheckOutcome outcome;
    outcome.text = text;
    outcome.status = status;
    return outcome;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NagiosLineTest,
    ::testing::Values(
        ReportCase{"Enough", Found(true, 3145728, 4194304, 1024), "/var",
                   "DISK OK - Free space on /var is 3 GB | '/var'=3221225472B;;;0;4294967296", 0},
        ReportCase{"TooLittle", Found(false, 3145728, 4194304, 1024), "/var",
                   "DISK CRITICAL - Free space on /var is 3 GB | '/var'=3221225472B;;;0;4294967296",
                   2},
        // Petabytes stay plain digits, never an exponent or a comma.
        ReportCase{"Huge", Found(true, 2.0e12, 2147483647, 8192), "/big",
                   "DISK OK - Free space on /var is 3 GB | '/big'=16384000000000000B;;;0;"
                   "17592186036224",
                   0},
        ReportCase{"QuotedLabel", Found(true, 1, 1, 512), "/it's=here",
                   "DISK OK - Free space on /var is 3 GB | '/it''s_here'=512B;;;0;512", 0},
        ReportCase{"UnknownMount", Flagged(CheckStatus::UnknownMount, "Unknown mount"), "/x",
                   "DISK UNKNOWN - Unknown mount", 3},
        ReportCase{
            "Refused",
            Flagged(CheckStatus::Refused, "ERR: can't connect to an SSH server without a USERNAME"),
            "/x", "DISK UNKNOWN - ERR: can't connect to an SSH server without a USERNAME", 3},
        // A failure text must not start performance data or a second line.
        ReportCase{"FailureOnOneLine", Flagged(CheckStatus::Failed, "Login failed|denied\r\nbye"),
                   "/x", "DISK UNKNOWN - Login failed/denied  bye", 3}),
    [](const auto& info) { return info.param.name; });

TEST(JsonLineTest, CarriesTheRecordAndEscapesTheText) {
    CheckOutcome outcome = Found(true, 5, 10, 512);
    outcome.text = "say \"hi\"\\";
    const std::string json = JsonLine(outcome, StateOf(outcome));
    EXPECT_NE(json.find("\"state\":\"OK\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"text\":\"say \\\"hi\\\"\\\\\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"Available\":5,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"blockSize\":512"), std::string::npos) << json;
}

}  // namespace
}  // namespace tavrix::cli
