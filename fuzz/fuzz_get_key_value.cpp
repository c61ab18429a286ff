// Any parameter string and key read without failing, and a value never holds
// "#"; every setting the writer accepts reads back as it was written.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/parameter_string.h"
#include "support/base64.h"
#include "support/failure.h"
#include "support/numbers.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string> SplitAtNul(std::string_view data, std::size_t count) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < count) {
        const auto nul = data.find('\0');
        if (nul == std::string_view::npos) {
            break;
        }
        parts.emplace_back(data.substr(0, nul));
        data.remove_prefix(nul + 1);
    }
    parts.emplace_back(data);
    parts.resize(count);
    return parts;
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void LookUp(std::string_view data) {
    const auto parts = SplitAtNul(data, 2);
    const std::string value = tavrix::GetKeyValue(parts[0], parts[1]);
    Require(value.find('#') == std::string::npos);
    Require(value.size() <= parts[0].size());
}

void RoundTrip(std::string_view data) {
    if (data.size() < 7) {
        return;
    }
    tavrix::FormValues values;
    auto position = [&](std::size_t at) {
        return static_cast<int>(static_cast<std::int8_t>(data[at])) % 16;
    };
    values.protocolIndex = position(0);
    values.keyTypeIndex = position(1);
    values.osIndex = position(2);
    values.blockSizeIndex = position(3);
    values.unitIndex = position(4);
    values.eolIndex = position(5);
    values.returnAsNumber = (data[6] & 1) != 0;
    const auto fields = SplitAtNul(data.substr(7), 6);
    values.username = fields[0];
    values.password = fields[1];
    values.keyfile = fields[2];
    values.resource = fields[3];
    values.port = fields[4];
    values.compareValue = fields[5];

    std::string text;
    try {
        text = tavrix::BuildParameterString(values);
    } catch (const tavrix::Failure&) {
        return;
    }
    Require(text.rfind("#ENC=T#USR=", 0) == 0 && text.back() == '#');
    Require(tavrix::GetKeyValue(text, "USR") == values.username);
    Require(tavrix::Base64Decode(tavrix::GetKeyValue(text, "PWD")) == values.password);
    Require(tavrix::GetKeyValue(text, "KEYF") == TrimBlanks(values.keyfile));
    Require(tavrix::GetKeyValue(text, "RES") == TrimBlanks(values.resource));
    const double port = tavrix::ReadKeyNumber(tavrix::GetKeyValue(text, "PORT"));
    Require(port == std::nearbyint(tavrix::ReadKeyNumber(values.port)));
    tavrix::NarrowToInt16(port);  // the check run must be able to read it
    const double threshold = tavrix::ReadKeyNumber(values.compareValue);
    const double written = tavrix::ReadKeyNumber(tavrix::GetKeyValue(text, "COM"));
    Require(std::fabs(written - threshold) <= 1e-13 * std::fabs(threshold) + 1e-300);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        RoundTrip(input);
    } else {
        LookUp(input);
    }
    return 0;
}
