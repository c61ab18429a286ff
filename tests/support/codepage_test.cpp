#include "support/codepage.h"

#include <gtest/gtest.h>

namespace tavrix {
namespace {

struct Conversion {
    const char* utf8;
    std::string ansi;
    bool lossless;
};

class Utf8ToAnsiTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(Utf8ToAnsiTest, ConvertsToWindows1252) {
    bool lossless = !GetParam().lossless;
    EXPECT_EQ(Utf8ToAnsi(GetParam().utf8, &lossless), GetParam().ansi);
    EXPECT_EQ(lossless, GetParam().lossless);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8ToAnsiTest,
    ::testing::Values(Conversion{"plain", "plain", true},
                      Conversion{"p\xC3\xA4ss", "p\xE4ss", true},  // ä
                      Conversion{"\xE2\x82\xAC"
                                 "5",
                                 "\x80"
                                 "5",
                                 true},                            // €
                      Conversion{"\xC5\xA0", "\x8A", true},        // Š
                      Conversion{"\xE4\xB8\xAD", "?", false},      // a CJK character
                      Conversion{"\xF0\x9F\x98\x80", "?", false},  // beyond the BMP
                      Conversion{"a\xFF"
                                 "b",
                                 "a?b", false},                    // invalid byte
                      Conversion{"\xC3", "?", false},              // cut sequence
                      Conversion{"\xC0\xAF", "??", false},         // overlong "/"
                      Conversion{"\xED\xA0\x80", "???", false}));  // surrogate

TEST(CodepageTest, EveryByteRoundTripsThroughUtf8AndUtf16) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    bool lossless = false;
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all), &lossless), all);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all), &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(CodepageTest, Utf16OutsideTheCodePageBecomesQuestionMark) {
    bool lossless = true;
    EXPECT_EQ(Utf16ToAnsi(u"a\u4E2D\U0001F600b", &lossless), "a??b");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(AnsiToUtf16("\x80"), u"\u20AC");
}

}  // namespace
}  // namespace tavrix
