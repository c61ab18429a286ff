#include "host/parameter_string.h"

#include <array>
#include <cmath>
#include <string>

#include "host/codes.h"
#include "query/host_key_pin.h"
#include "support/base64.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/text.h"

namespace tavrix {

namespace {

// Upper case as the Windows hosts see Windows-1252 text: a-z and the accented
// letters map, everything else stays. Byte for byte, so positions never move.
// Keys are ASCII, so for them this reads exactly like ASCII-only upper-casing;
// the table only matters for a key that itself holds accented letters.
constexpr std::array<unsigned char, 256> MakeUpperTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'a'; c <= 'z'; ++c) {
        table[c] = static_cast<unsigned char>(c - 32);
    }
    table[0x9A] = 0x8A;  // s caron
    table[0x9C] = 0x8C;  // oe
    table[0x9E] = 0x8E;  // z caron
    table[0xFF] = 0x9F;  // y diaeresis
    for (int c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7) {  // the division sign has no upper case
            table[c] = static_cast<unsigned char>(c - 32);
        }
    }
    return table;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

std::string UpperCopy(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(kUpper[static_cast<unsigned char>(c)]);
    }
    return upper;
}

// The code at a chosen position; nothing is written when no entry is chosen.
template <typename Codes>
std::string ChosenCode(const Codes& codes, int position) {
    return std::string(CodeAt(codes, position).value_or(""));
}

// A "#" would end the value early, and what follows it could be read as an
// entry of its own ("a#PWD=x" as user name plants a password).
void RefuseHash(std::string_view text, const char* field) {
    if (text.find('#') != std::string_view::npos) {
        throw Failure(std::string("The ") + field + " must not contain \"#\"");
    }
}

// The check run narrows PORT to a 16-bit signed number and fails above 32767;
// 0 is kept, since the check reads it as the default port 22 (and a stored
// empty PORT loads into the form as 0).
std::string PortText(std::string_view port) {
    if (!HoldsKeyNumber(port)) {
        throw Failure("The port must be a number");
    }
    if (!HoldsOnlyKeyNumber(port)) {
        throw Failure("The port must be a number with nothing after it");
    }
    const double number = ReadKeyNumber(port);
    const double whole = std::nearbyint(number);  // half to even, as the check run rounds
    if (!(whole >= 0 && whole <= 32767)) {
        throw Failure("The port must be a number from 1 to 32767 (0 stands for 22)");
    }
    return std::to_string(static_cast<int>(whole));
}

// Without this check, "abc" would silently be written as 0.
std::string ThresholdText(std::string_view threshold) {
    if (!HoldsKeyNumber(threshold)) {
        throw Failure("The threshold must be a number");
    }
    // Reading would stop at the comma of "2,5" and store 2 without a word.
    if (!HoldsOnlyKeyNumber(threshold)) {
        throw Failure("The threshold must be a number with nothing after it (write 2.5, not 2,5)");
    }
    const double number = ReadKeyNumber(threshold);
    if (!std::isfinite(number)) {
        throw Failure("The threshold must be a number");
    }
    return FormatNumber(number);
}

std::string BlockSizeText(int position) {
    return std::to_string(CodeAt(kBlockSizes, position).value_or(0));
}

}  // namespace

std::string GetKeyValue(std::string_view parameters, std::string_view key) {
    const std::string upper = UpperCopy(parameters);
    const std::string needle = "#" + UpperCopy(TrimBlanks(key)) + "=";
    const auto match = upper.find(needle);
    if (match == std::string::npos) {
        return {};
    }
    const auto start = match + needle.size();
    auto end = upper.find('#', match + 1);
    if (end == std::string::npos) {
        end = upper.size();
    }
    if (end < start) {
        return {};  // a key that itself holds "#": its own "#" ends the value
    }
    return std::string(parameters.substr(start, end - start));
}

QueryInputs QueryInputsFromParameters(std::string_view parameters) {
    QueryInputs inputs;
    inputs.username = GetKeyValue(parameters, "USR");
    inputs.password = Base64Decode(GetKeyValue(parameters, "PWD"));
    inputs.protocol = GetKeyValue(parameters, "PROTO");
    inputs.port = NarrowToInt16(ReadKeyNumber(GetKeyValue(parameters, "PORT")));
    inputs.keyfile = GetKeyValue(parameters, "KEYF");
    inputs.keyType = GetKeyValue(parameters, "KEYT");
    inputs.os = GetKeyValue(parameters, "OS");
    inputs.resource = GetKeyValue(parameters, "RES");
    inputs.eol = GetKeyValue(parameters, "EOL");
    inputs.hostKey = GetKeyValue(parameters, "HKEY");
    return inputs;
}

std::string BuildParameterString(const FormValues& values) {
    RefuseHash(values.username, "user name");
    const std::string keyfile(TrimBlanks(values.keyfile));
    RefuseHash(keyfile, "key file");
    const std::string resource(TrimBlanks(values.resource));
    RefuseHash(resource, "mount");

    const std::string port = PortText(values.port);
    const std::string threshold =
        ThresholdText(values.compareValue.empty() ? "0" : std::string_view(values.compareValue));
    const std::string hostKey = NormalizedPin(values.hostKey);
    if (!hostKey.empty() && !IsHostKeyPin(hostKey)) {
        throw Failure("The host key must read \"<key type> SHA256:<hash>\"");
    }

    std::string text = "#ENC=T#USR=" + values.username;
    text += "#PWD=" + Base64Encode(values.password);
    text += "#PROTO=" + ChosenCode(kProtocolCodes, values.protocolIndex);
    text += "#PORT=" + port;
    text += "#KEYF=" + keyfile;
    text += "#KEYT=" + ChosenCode(kKeyTypeCodes, values.keyTypeIndex);
    text += "#OS=" + ChosenCode(kOsCodes, values.osIndex);
    text += "#BLK=" + BlockSizeText(values.blockSizeIndex);
    text += "#RES=" + resource;
    text += "#UNIT=" + ChosenCode(kUnitCodes, values.unitIndex);
    text += "#COM=" + threshold;
    text += "#EOL=" + std::string(CodeAt(kEolCodes, values.eolIndex).value_or(kEolCodes[kEolLf]));
    text += "#RAN=" + std::string(values.returnAsNumber ? "1" : "0");
    if (!hostKey.empty()) {
        text += "#HKEY=" + hostKey;  // only then: a string without a pin stays as it was
    }
    text += "#";
    return text;
}

}  // namespace tavrix
