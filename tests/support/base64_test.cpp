#include "support/base64.h"

#include <gtest/gtest.h>

#include <string>

#include "support/failure.h"

namespace tavrix {
namespace {

struct RoundTrip {
    std::string plain;
    std::string encoded;
};

class Base64RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Base64RoundTripTest, EncodesAndDecodesBack) {
    EXPECT_EQ(Base64Encode(GetParam().plain), GetParam().encoded);
    EXPECT_EQ(Base64Decode(GetParam().encoded), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Texts, Base64RoundTripTest,
                         ::testing::Values(RoundTrip{"", ""}, RoundTrip{"a", "YQ=="},
                                           RoundTrip{"ab", "YWI="}, RoundTrip{"abc", "YWJj"},
                                           RoundTrip{"secret#1", "c2VjcmV0IzE="},
                                           // Windows-1252 bytes are taken one for one
                                           RoundTrip{"p\xE4ss\x80", "cORzc4A="},
                                           RoundTrip{std::string("\0\xFF", 2), "AP8="}));

struct Lenient {
    const char* encoded;
    std::string decoded;
};

class Base64LenientTest : public ::testing::TestWithParam<Lenient> {};

TEST_P(Base64LenientTest, DecodesWhatItIsGiven) {
    EXPECT_EQ(Base64Decode(GetParam().encoded), GetParam().decoded) << GetParam().encoded;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Base64LenientTest,
    ::testing::Values(Lenient{"YQ", "a"},          // last group filled with "="
                      Lenient{"YWI", "ab"},        //
                      Lenient{"YQ==YWI=", "aab"},  // pads inside the text, group by group
                      Lenient{"Y=Jj", ""},         // "=" in the second place: nothing
                      Lenient{"YWJjY=Jj", "abc"}, Lenient{"ywjj", "\xCB\x08\xE3"},  // case matters
                      Lenient{"YW\nJ", std::string("a`\x09", 3)},  // a line break counts as "A"
                      Lenient{"Y!I=", std::string("`\x02", 2)}));  // "!" counts as "A"

TEST(Base64DecodeTest, RejectsAGroupThatBeginsWithPad) {
    EXPECT_THROW(Base64Decode("YWJj="), Failure);
    EXPECT_THROW(Base64Decode("="), Failure);
    EXPECT_THROW(Base64Decode("YQ======YWI="), Failure);
    try {
        Base64Decode("====");
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_FALSE(failure.Description().empty());
    }
}

TEST(Base64DigitTest, MapsBothWays) {
    struct Case {
        std::int32_t value;
        const char* character;
    };
    for (const Case c : {Case{-1, "="}, Case{0, "A"}, Case{25, "Z"}, Case{26, "a"}, Case{62, "+"},
                         Case{63, "/"}}) {
        std::int32_t value = c.value;
        std::string character;
        Base64Digit(value, character, true);
        EXPECT_EQ(character, c.character);
        value = 99;
        Base64Digit(value, character, false);
        EXPECT_EQ(value, c.value < 0 ? 0 : c.value) << c.character;
    }
    std::int32_t value = 99;
    std::string outside = "*";
    Base64Digit(value, outside, false);
    EXPECT_EQ(value, 0);
}

TEST(Base64ShiftTest, ShiftsByPowersOfTwo) {
    EXPECT_EQ(ShiftLeft(3, 4), 48);
    EXPECT_EQ(ShiftRight(255, 2), 63);
    EXPECT_EQ(ShiftRight(3, 2), 0);
}

TEST(Base64Test, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    for (std::size_t length = 0; length <= all.size(); length += 37) {
        const std::string plain = all.substr(0, length);
        EXPECT_EQ(Base64Decode(Base64Encode(plain)), plain);
    }
}

}  // namespace
}  // namespace tavrix
