#include <cstddef>
#include <string_view>

#include "host/check_run.h"
#include "support/failure.h"
#include "support/numbers.h"

namespace tavrix {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Sign, digits with at most one ".", optional exponent, and nothing else.
bool IsWholeNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        if (i == exponentStart) {
            return false;
        }
    }
    return i == text.size();
}

}  // namespace

std::string PropertyText(const PropertyValue& value) {
    if (const auto* number = std::get_if<double>(&value)) {
        return FormatNumber(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return {};
}

std::int16_t TimeoutSeconds(const PropertyValue& value) {
    if (const auto* number = std::get_if<double>(&value)) {
        return NarrowToInt16(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        const std::string_view trimmed = TrimBlanks(*text);
        if (!IsWholeNumber(trimmed)) {
            throw Failure("Type mismatch");
        }
        return NarrowToInt16(ReadKeyNumber(trimmed));
    }
    return 0;
}

}  // namespace tavrix
