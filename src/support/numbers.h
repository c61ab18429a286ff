#pragma once
// Reading and writing numbers, locale-independent, in the one way the whole
// system uses ("." is the decimal point, text without a number reads as 0).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrix {

// A numeric parameter value: blanks, tabs and line feeds are skipped wherever
// they stand ("2 2" reads 22); optional sign, digits, one ".", optional exponent.
double ReadKeyNumber(std::string_view text);

// Whether a numeric parameter value holds a number at all (ReadKeyNumber reads
// text without one as 0): after the skipped characters, a sign at most, then a
// digit or "." and a digit.
bool HoldsKeyNumber(std::string_view text);

// Whether a numeric parameter value is a number and nothing else, apart from
// the characters that reading skips ("2,5" is not: it would read as 2).
bool HoldsOnlyKeyNumber(std::string_view text);

// A text that is one number and nothing else (no blanks either): optional sign,
// digits with at most one ".", optional exponent. Out-of-range exponents give
// +-infinity or 0, as in ReadKeyNumber.
std::optional<double> ReadWholeNumber(std::string_view text);

// A df word: nothing is skipped; the number the word begins with ("45%" -> 45,
// "1.5G" -> 1.5, "-" -> 0).
double ReadWordNumber(std::string_view word);

// Round half to even and narrow; throws Failure("Overflow") outside the range
// (and for NaN).
std::int16_t NarrowToInt16(double value);
std::int32_t NarrowToInt32(double value);

// Plain decimal, "." as the decimal point, up to 15 significant digits, no
// exponent, no thousands separators; values below 1 keep their zero ("0.5").
std::string FormatNumber(double value);

// The figure of a result text: rounded half to even to one decimal place,
// without ".0" when whole (12.04 -> "12", 2.25 -> "2.2").
std::string FormatOneDecimal(double value);

}  // namespace tavrix
