#include "support/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "support/failure.h"
#include "support/text.h"

namespace tavrix {

namespace {

// Length of the number at the start of `text`: optional sign, digits with at
// most one ".", and an exponent only when digits follow it. 0 when there is no
// digit at all.
std::size_t NumberPrefixLength(std::string_view text) {
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    bool digits = false;
    bool point = false;
    while (pos < text.size()) {
        if (IsDigit(text[pos])) {
            digits = true;
        } else if (text[pos] == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++pos;
    }
    if (!digits) {
        return 0;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t exp = pos + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) {
            ++exp;
        }
        if (exp < text.size() && IsDigit(text[exp])) {
            while (exp < text.size() && IsDigit(text[exp])) {
                ++exp;
            }
            pos = exp;
        }
    }
    return pos;
}

// Out-of-range exponents give +-infinity (too large) or 0 (too small), which
// the narrowing then reports as an overflow.
double ParseNumberPrefix(std::string_view text) {
    const std::size_t length = NumberPrefixLength(text);
    if (length == 0) {
        return 0;
    }
    std::string_view number = text.substr(0, length);
    bool negative = false;
    if (number.front() == '+' || number.front() == '-') {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; tell a huge number from a tiny one.
        const std::size_t e = number.find_first_of("eE");
        const bool tiny =
            e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc()) {
        value = 0;
    }
    return negative ? -value : value;
}

template <typename Int>
Int Narrow(double value) {
    const double rounded = std::nearbyint(value);  // default mode: half to even
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        throw Failure("Overflow");
    }
    return static_cast<Int>(rounded);
}

// The blanks may stand between the digits too ("2 2" is 22), so they go first.
std::string WithoutNumberBlanks(std::string_view text) {
    std::string packed;
    packed.reserve(text.size());
    for (const char c : text) {
        if (!IsNumberBlank(c)) {
            packed.push_back(c);
        }
    }
    return packed;
}

}  // namespace

double ReadKeyNumber(std::string_view text) {
    return ParseNumberPrefix(WithoutNumberBlanks(text));
}

bool HoldsKeyNumber(std::string_view text) {
    return NumberPrefixLength(WithoutNumberBlanks(text)) > 0;
}

bool HoldsOnlyKeyNumber(std::string_view text) {
    const std::string packed = WithoutNumberBlanks(text);
    return !packed.empty() && NumberPrefixLength(packed) == packed.size();
}

std::optional<double> ReadWholeNumber(std::string_view text) {
    if (text.empty() || NumberPrefixLength(text) != text.size()) {
        return std::nullopt;
    }
    return ParseNumberPrefix(text);
}

double ReadWordNumber(std::string_view word) {
    return ParseNumberPrefix(word);
}

std::int16_t NarrowToInt16(double value) {
    return Narrow<std::int16_t>(value);
}

std::int32_t NarrowToInt32(double value) {
    return Narrow<std::int32_t>(value);
}

std::string FormatNumber(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    if (value == 0) {
        return "0";
    }
    // 15 significant digits in scientific form, then laid out as plain decimal.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific, 14);
    const std::string_view sci(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    const bool negative = sci.front() == '-';
    const std::size_t mantissaStart = negative ? 1 : 0;
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (std::size_t i = mantissaStart; i < ePos; ++i) {
        if (sci[i] != '.') {
            digits.push_back(sci[i]);
        }
    }
    int exponent = 0;
    std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                    exponent);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    // The decimal point stands after digit number exponent + 1.
    const int pointAfter = exponent + 1;
    std::string out = negative ? "-" : "";
    if (pointAfter <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-pointAfter), '0');
        out += digits;
    } else if (static_cast<std::size_t>(pointAfter) >= digits.size()) {
        out += digits;
        out.append(static_cast<std::size_t>(pointAfter) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(pointAfter));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(pointAfter));
    }
    return out;
}

std::string FormatOneDecimal(double value) {
    if (!std::isfinite(value)) {
        return FormatNumber(value);
    }
    // Rounds the exact binary value: scaling by 10 first would round the
    // product, and 1.1499999... would become 11.5 and then 1.2. Exact halves
    // (2.25) go to even, as the formatting rounds in the default mode.
    std::array<char, 400> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, 1);
    double rounded = 0;
    std::from_chars(buffer.data(), written.ptr, rounded);
    return FormatNumber(rounded);
}

}  // namespace tavrix
