#include "query/output_capture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "parse_in_parts.h"

namespace tavrix {

void PrintTo(const ParsedOutput& parsed, std::ostream* out) {
    *out << "header \"" << parsed.header << "\", " << parsed.records.size() << " records";
}

namespace {

struct OutputCase {
    std::string name;
    std::string os;
    std::string eol;
    std::string output;
};

void PrintTo(const OutputCase& c, std::ostream* out) {
    *out << c.name;
}

std::string Recorded(const std::string& file) {
    std::ifstream in(std::string(TAVRIX_RECORDED_OUTPUTS) + "/" + file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<OutputCase> Outputs() {
    return {
        {"aix", "AIX", "LF", Recorded("aix-df-P.txt")},
        {"esx", "VMESX", "LF", Recorded("esx-vdf.txt")},
        {"hpux", "HPUX11", "LF", Recorded("hpux-bdf.txt")},
        {"linux", "LINUX", "LF", Recorded("linux-df-k.txt")},
        {"linuxType", "LINUX", "LF", Recorded("linux-df-kT.txt")},
        {"windows", "BRWDF", "CRLF", Recorded("windows-df-r.txt")},
        // Lone words and empty lines in a row: where the parser glues lines,
        // no part may begin.
        {"loneRuns", "LINUX", "CRLF",
         "Filesystem Size\r\n/dev/a 1 1 0 100% /a\r\n\r\nx\r\ny z 1 2 3% /q\r\nlone\r\n"
         "word\r\n\r\n 5 6 7 8% /w\r\n/dev/b 2 1 1 50% /b\r\nend"},
        {"loneFirstLineWithoutHeader", "BRWDF", "CR", "C:\r\r 100 60 40 60% NTFS\rD: 1 2 3 4%\r"},
    };
}

class OutputCaptureCuts : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputCaptureCuts, AnyCutParsesLikeTheWholeOutput) {
    const OutputCase& c = GetParam();
    ASSERT_FALSE(c.output.empty());
    QueryInputs inputs;
    inputs.os = c.os;
    inputs.eol = c.eol;
    const ParsedOutput whole = ParseWhole(inputs, c.output);
    for (std::size_t cut = 0; cut <= c.output.size(); ++cut) {
        ASSERT_EQ(ParseInParts(inputs, c.output, {cut}), whole) << "cut at " << cut;
    }
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::size_t> cuts;
        std::uniform_int_distribution<std::size_t> position(0, c.output.size());
        for (int i = std::uniform_int_distribution<int>(1, 12)(random); i > 0; --i) {
            cuts.push_back(position(random));
        }
        std::sort(cuts.begin(), cuts.end());
        ASSERT_EQ(ParseInParts(inputs, c.output, cuts), whole) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Recorded, OutputCaptureCuts, ::testing::ValuesIn(Outputs()),
                         [](const auto& info) { return info.param.name; });

TEST(OutputCaptureTest, HandsOverOnlyWholeLinesAndKeepsACutSeparator) {
    OutputCapture capture;
    capture.Reset();
    EXPECT_EQ(capture.Take("Head line\r\nfs 1 2 3 4% /a\r", "\r\n"), "Head line\r\n");
    EXPECT_EQ(capture.Take("\nfs 5", "\r\n"), "fs 1 2 3 4% /a\r\n");
    EXPECT_EQ(capture.Take(" 6 7 8% /b", "\r\n"), "");
    EXPECT_EQ(capture.TakeRest(), "fs 5 6 7 8% /b");
}

}  // namespace
}  // namespace tavrix
