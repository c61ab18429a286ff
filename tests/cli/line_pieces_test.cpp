#include "cli/line_pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        PiecesCase{"CrLfSplitBetweenChunks", "\r\n", {"a b\r", "\nc d\r\n"}, {"a b\r\nc d\r\n"}},
        // A wrapped device name stays with the figures on its next line.
        PiecesCase{"WrappedNameWaits",
                   "\n",
                   {"h x\n/dev/long\n", "  1 2 3 4% /m\n"},
                   {"h x\n", "/dev/long\n  1 2 3 4% /m\n"}},
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
