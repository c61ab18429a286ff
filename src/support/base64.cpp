#include "support/base64.h"

#include <string>

#include "support/failure.h"

namespace tavrix {

namespace {
// The pad first, so that the digit for value v stands at place v + 1.
constexpr std::string_view kTable =
    "=ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char DigitFor(std::int64_t value) {
    std::int32_t v = static_cast<std::int32_t>(value);
    std::string character;
    Base64Digit(v, character, true);
    return character.front();
}

std::int64_t ValueOf(char c) {
    std::int32_t value = 0;
    std::string character(1, c);
    Base64Digit(value, character, false);
    return value;
}
}  // namespace

std::int64_t ShiftLeft(std::int64_t value, int n) {
    return value * (std::int64_t{1} << n);
}

std::int64_t ShiftRight(std::int64_t value, int n) {
    return value / (std::int64_t{1} << n);
}

void Base64Digit(std::int32_t& value, std::string& character, bool toCharacter) {
    if (toCharacter) {
        const std::int32_t place = value + 1;
        character = place >= 0 && place < static_cast<std::int32_t>(kTable.size())
                        ? std::string(1, kTable[static_cast<std::size_t>(place)])
                        : std::string();
        return;
    }
    const std::size_t place = character.empty() ? 0 : kTable.find(character.front());
    const std::int32_t found =
        place == std::string_view::npos ? -1 : static_cast<std::int32_t>(place) - 1;
    value = found < 0 ? 0 : found;
}

std::string Base64Encode(std::string_view text) {
    std::string result;
    result.reserve((text.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const bool hasB2 = i + 1 < text.size();
        const bool hasB3 = i + 2 < text.size();
        const std::int64_t b1 = static_cast<unsigned char>(text[i]);
        const std::int64_t b2 = hasB2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        const std::int64_t b3 = hasB3 ? static_cast<unsigned char>(text[i + 2]) : 0;
        result += DigitFor(ShiftRight(b1, 2));
        result += DigitFor((ShiftLeft(b1, 4) & 0x30) | ShiftRight(b2, 4));
        result += hasB2 ? DigitFor((ShiftLeft(b2, 2) & 0x3C) | ShiftRight(b3, 6)) : '=';
        result += hasB3 ? DigitFor(b3 & 0x3F) : '=';
    }
    return result;
}

std::string Base64Decode(std::string_view text) {
    std::string result;
    result.reserve(text.size() / 4 * 3 + 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        char places[4];
        int outputLength = 3;
        for (int k = 3; k >= 0; --k) {
            const std::size_t at = i + static_cast<std::size_t>(k);
            places[k] = at < text.size() ? text[at] : '=';
            if (places[k] == '=') {
                outputLength = k - 1;  // read backwards: the first "=" of the group decides
            }
        }
        if (outputLength < 0) {
            throw Failure("Invalid Base64 text: a group of four begins with \"=\"");
        }
        const std::int64_t v1 = ValueOf(places[0]);
        const std::int64_t v2 = ValueOf(places[1]);
        const std::int64_t v3 = ValueOf(places[2]);
        const std::int64_t v4 = ValueOf(places[3]);
        const char bytes[3] = {
            static_cast<char>((ShiftLeft(v1, 2) | ShiftRight(v2, 4)) & 0xFF),
            static_cast<char>((ShiftLeft(v2, 4) | ShiftRight(v3, 2)) & 0xFF),
            static_cast<char>((ShiftLeft(v3, 6) | v4) & 0xFF),
        };
        result.append(bytes, static_cast<std::size_t>(outputLength));
    }
    return result;
}

}  // namespace tavrix
