#include "support/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/failure.h"

namespace tavrix {
namespace {

struct ReadCase {
    const char* text;
    double key;   // as a parameter value reads it
    double word;  // as a df word reads it
};

class ReadNumberTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadNumberTest, ReadsTheLeadingNumber) {
    const ReadCase& c = GetParam();
    EXPECT_DOUBLE_EQ(ReadKeyNumber(c.text), c.key) << '"' << c.text << '"';
    EXPECT_DOUBLE_EQ(ReadWordNumber(c.text), c.word) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberTest,
    ::testing::Values(ReadCase{"22", 22, 22}, ReadCase{"", 0, 0}, ReadCase{"abc", 0, 0},
                      ReadCase{"-", 0, 0}, ReadCase{"45%", 45, 45}, ReadCase{"1.5G", 1.5, 1.5},
                      ReadCase{" 22 ", 22, 0}, ReadCase{"2 2", 22, 2}, ReadCase{"\t1\n0", 10, 0},
                      ReadCase{"\r5", 0, 0}, ReadCase{"+7", 7, 7}, ReadCase{"-2.5x", -2.5, -2.5},
                      ReadCase{".5", 0.5, 0.5}, ReadCase{"5.", 5, 5}, ReadCase{".", 0, 0},
                      ReadCase{"1.2.3", 1.2, 1.2}, ReadCase{"1e3", 1000, 1000},
                      ReadCase{"1E-2", 0.01, 0.01}, ReadCase{"2e", 2, 2}, ReadCase{"2e+", 2, 2},
                      ReadCase{"1,5", 1, 1}, ReadCase{"inf", 0, 0}, ReadCase{"nan", 0, 0},
                      ReadCase{"0x10", 0, 0}, ReadCase{"1e-999", 0, 0}));

TEST(ReadNumberTest, HugeExponentReadsAsInfinityAndFailsNarrowing) {
    EXPECT_TRUE(std::isinf(ReadKeyNumber("1e999")));
    EXPECT_THROW(NarrowToInt32(ReadKeyNumber("1e999")), Failure);
}

struct NarrowCase {
    double value;
    bool fits16;
    std::int16_t as16;
    bool fits32;
    std::int32_t as32;
};

class NarrowTest : public ::testing::TestWithParam<NarrowCase> {};

TEST_P(NarrowTest, RoundsHalfToEvenAndChecksTheRange) {
    const NarrowCase& c = GetParam();
    if (c.fits16) {
        EXPECT_EQ(NarrowToInt16(c.value), c.as16) << c.value;
    } else {
        EXPECT_THROW(NarrowToInt16(c.value), Failure) << c.value;
    }
    if (c.fits32) {
        EXPECT_EQ(NarrowToInt32(c.value), c.as32) << c.value;
    } else {
        EXPECT_THROW(NarrowToInt32(c.value), Failure) << c.value;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, NarrowTest,
    ::testing::Values(NarrowCase{0.5, true, 0, true, 0}, NarrowCase{1.5, true, 2, true, 2},
                      NarrowCase{2.5, true, 2, true, 2}, NarrowCase{-2.5, true, -2, true, -2},
                      NarrowCase{2.51, true, 3, true, 3},
                      NarrowCase{32767, true, 32767, true, 32767},
                      NarrowCase{32767.5, false, 0, true, 32768},
                      NarrowCase{-32768.5, true, -32768, true, -32768},
                      NarrowCase{40000, false, 0, true, 40000},
                      NarrowCase{2147483647.4, false, 0, true, 2147483647},
                      NarrowCase{2147483648.0, false, 0, false, 0},
                      NarrowCase{-2147483648.0, false, 0, true, -2147483647 - 1},
                      NarrowCase{std::numeric_limits<double>::infinity(), false, 0, false, 0},
                      NarrowCase{std::numeric_limits<double>::quiet_NaN(), false, 0, false, 0}));

TEST(NarrowTest, OverflowSaysSo) {
    try {
        NarrowToInt16(40000);
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Description(), "Overflow");
    }
}

struct FormatCase {
    double value;
    const char* plain;
    const char* oneDecimal;
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, WritesPlainDecimal) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value), c.plain);
    EXPECT_EQ(FormatOneDecimal(c.value), c.oneDecimal);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatTest,
    ::testing::Values(FormatCase{0, "0", "0"}, FormatCase{-0.0, "0", "0"},
                      FormatCase{12, "12", "12"}, FormatCase{12.04, "12.04", "12"},
                      FormatCase{12.34, "12.34", "12.3"}, FormatCase{2.25, "2.25", "2.2"},
                      FormatCase{2.35, "2.35", "2.4"}, FormatCase{2.5, "2.5", "2.5"},
                      FormatCase{0.5, "0.5", "0.5"}, FormatCase{0.04, "0.04", "0"},
                      FormatCase{-1.25, "-1.25", "-1.2"},
                      FormatCase{1e20, "100000000000000000000", "100000000000000000000"},
                      FormatCase{1.0 / 3, "0.333333333333333", "0.3"},
                      FormatCase{2.0 / 3 * 1e-5, "0.00000666666666666667", "0"},
                      FormatCase{123456789012345678.0, "123456789012346000", "123456789012346000"},
                      FormatCase{9.99, "9.99", "10"},
                      // The exact value rounds, not value * 10: 2.3G of 512-byte blocks
                      // in KB lies just below 1.15, 6060.85 just above its half.
                      FormatCase{2.3 * 512 / 1024, "1.15", "1.1"},
                      FormatCase{6060.85, "6060.85", "6060.9"},
                      // Halves that are exact in binary go to even.
                      FormatCase{0.25, "0.25", "0.2"}, FormatCase{0.75, "0.75", "0.8"},
                      FormatCase{1.75, "1.75", "1.8"}, FormatCase{-0.25, "-0.25", "-0.2"},
                      FormatCase{100000000000000.25, "100000000000000", "100000000000000"},
                      FormatCase{3.0 * 1024 * 1024 * 1024, "3221225472", "3221225472"}));

}  // namespace
}  // namespace tavrix
