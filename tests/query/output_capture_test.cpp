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

// Whatever the server sends, the capture holds little: an endless line keeps
// its start, endless one-word lines are handed on, nothing is lost otherwise.
TEST(OutputCaptureTest, HoldsABoundedAmountWhateverArrives) {
    const std::size_t bound = OutputCapture::kMaxHeldBytes + OutputCapture::kMaxLineBytes + 4096;
    const struct {
        std::string header;
        std::string repeated;
        std::size_t keptAtMost;  // of the whole input
    } cases[] = {
        {"Filesystem Size\n", std::string(4096, 'x'), OutputCapture::kMaxLineBytes + 64},
        {"Filesystem Size\n", "word\n", std::string::npos},
        {"Filesystem Size\r\n", "fs 1 2 3 4% /a\r\n", std::string::npos},
    };
    for (const auto& c : cases) {
        OutputCapture capture;
        capture.Reset();
        const std::string separator = c.header.ends_with("\r\n") ? "\r\n" : "\n";
        std::size_t handedOn = capture.Take(c.header, separator).size();
        std::size_t sent = c.header.size();
        std::string piece;
        while (piece.size() < 4096) {
            piece += c.repeated;
        }
        for (int i = 0; i < 2500; ++i) {  // about 10 MB
            handedOn += capture.Take(piece, separator).size();
            sent += piece.size();
            if (c.keptAtMost == std::string::npos) {
                ASSERT_LE(sent - handedOn, bound) << c.repeated.substr(0, 10);
            }
        }
        handedOn += capture.TakeRest().size();
        EXPECT_LE(handedOn, c.keptAtMost);
        if (c.keptAtMost == std::string::npos) {
            EXPECT_EQ(handedOn, sent);
        }
    }
}

TEST(OutputCaptureTest, AnOverlongLineIsCutShortAndTheLinesAfterItCount) {
    QueryInputs inputs;
    inputs.os = "LINUX";
    inputs.eol = "LF";
    const std::string longLine = "/dev/long " + std::string(200 * 1024, 'y') + " 1 2 3% /long";
    const std::string output =
        "Filesystem Size\n/dev/a 1 1 0 100% /a\n" + longLine + "\n/dev/b 2 1 1 50% /b\n";
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 1460; cut < output.size(); cut += 1460) {
        cuts.push_back(cut);
    }
    const ParsedOutput parsed = ParseInParts(inputs, output, cuts);
    ASSERT_EQ(parsed.records.size(), 3u);
    EXPECT_EQ(parsed.records[0].Mount, "/a");
    EXPECT_EQ(parsed.records[1].Filesystem, "/dev/long");
    EXPECT_LE(parsed.records[1].Mount.size(), OutputCapture::kMaxLineBytes);
    EXPECT_EQ(parsed.records[2].Mount, "/b");
}

}  // namespace
}  // namespace tavrix
