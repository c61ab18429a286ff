#include "cli/line_pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "query/df_parser.h"
#include "query/query_state.h"

namespace tavrix::cli {
namespace {

struct PiecesCase {
    std::string name;
    std::string separator;
    std::vector<std::string> chunks;  // as read
    std::vector<std::string> pieces;  // as handed to the parser
};

void PrintTo(const PiecesCase& c, std::ostream* os) {
    *os << c.name;
}

class LinePiecesTest : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(LinePiecesTest, HandsOverWholeLinesOnly) {
    std::vector<std::string> pieces;
    LinePieces cutter(GetParam().separator,
                      [&](std::string_view piece) { pieces.emplace_back(piece); });
    for (const auto& chunk : GetParam().chunks) {
        cutter.Add(chunk);
    }
    cutter.Finish();
    EXPECT_EQ(pieces, GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, LinePiecesTest,
    ::testing::Values(
        PiecesCase{"TailWaitsForItsLineEnd", "\n", {"a b\nc ", "d\n"}, {"a b\n", "c d\n"}},
        PiecesCase{"LastLineWithoutLineEnd", "\n", {"a b\nc d"}, {"a b\n", "c d"}},
        PiecesCase{
            "CrLfSplitBetweenChunks", "\r\n", {"a b\r", "\nc d\r\n"}, {"a b\r\n", "c d\r\n"}},
        // A wrapped device name stays with the figures on its next line, and
        // with the line before it: the parser glues lines within a piece only.
        PiecesCase{"WrappedNameWaits",
                   "\n",
                   {"h x\n/dev/long\n", "  1 2 3 4% /m\n", "a b\n"},
                   {"h x\n/dev/long\n  1 2 3 4% /m\n", "a b\n"}},
        PiecesCase{"EmptyLineWaits", "\n", {"h x\na b\n\n", "c d\n"}, {"h x\n", "a b\n\nc d\n"}},
        PiecesCase{"NothingForEmptyInput", "\n", {}, {}},
        PiecesCase{"CrSeparator", "\r", {"a b\rc", " d\r"}, {"a b\r", "c d\r"}}),
    [](const auto& info) { return info.param.name; });

TEST(LinePiecesTest, NeverHandsOverMoreThanAPiece) {
    std::vector<std::size_t> sizes;
    std::string all;
    LinePieces cutter("\n", [&](std::string_view piece) {
        sizes.push_back(piece.size());
        all.append(piece);
    });
    std::string input;
    for (int i = 0; i < 5000; ++i) {
        input += "/dev/sd" + std::to_string(i) + " 1000 400 600 40% /m/" + std::to_string(i) + "\n";
    }
    input += std::string(70000, 'x');  // one line longer than two pieces
    cutter.Add(input);
    cutter.Finish();
    EXPECT_EQ(all, input);
    for (std::size_t size : sizes) {
        EXPECT_LE(size, LinePieces::kMaxPiece);
    }
}

}  // namespace
}  // namespace tavrix::cli

namespace tavrix::cli {
namespace {

std::vector<MountRecord> ParseInPieces(const std::string& output, std::size_t chunk) {
    gOS = "LINUX";
    gEOL = "LF";
    gResource.clear();
    gExpectHeader = true;
    ResetMountRecords();
    if (chunk == 0) {
        Splitt_in_lines(output);
    } else {
        LinePieces cutter("\n", [](std::string_view piece) { Splitt_in_lines(piece); });
        for (std::size_t at = 0; at < output.size(); at += chunk) {
            cutter.Add(std::string_view(output).substr(at, chunk));
        }
        cutter.Finish();
    }
    return std::vector<MountRecord>(gMountRecords.begin(), gMountRecords.begin() + gMountCount);
}

// Whatever the reads deliver, the pieces parse as the whole output does.
TEST(LinePiecesTest, PiecesParseLikeTheWholeOutput) {
    std::string output = "Filesystem     1K-blocks      Used Available Use% Mounted on\n";
    for (int i = 0; i < 6000; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 9) {
            case 0:  // a long device name wrapped onto its own line
                output +=
                    "/dev/mapper/vg-long_volume_" + n + "\n   1000 400 600 40% /w/" + n + "\n";
                break;
            case 4:  // an empty line and a lone word, as some listings have
                output += "\nlone" + n + "\n";
                break;
            default:
                output += "/dev/sd" + n + " 1000 400 600 40% /m/" + n + "\n";
        }
    }
    const auto whole = ParseInPieces(output, 0);
    ASSERT_GT(whole.size(), 5000u);
    for (std::size_t chunk : {4096u, 32767u, 10007u}) {
        EXPECT_EQ(ParseInPieces(output, chunk), whole) << "reads of " << chunk << " bytes";
    }
}

}  // namespace
}  // namespace tavrix::cli
