#pragma once
// The codes the parameter string stores, by list position of the settings
// form, and the rules tied to them. Display texts belong to the form.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrix {

inline constexpr std::array<std::string_view, 3> kProtocolCodes = {"1", "2", "A"};
inline constexpr int kProtocolAuto = 2;

inline constexpr std::array<std::string_view, 2> kKeyTypeCodes = {"RSA", "DSA"};
inline constexpr int kKeyTypeRsa = 0;

inline constexpr std::array<std::string_view, 3> kEolCodes = {"CR", "LF", "CRLF"};
inline constexpr int kEolLf = 1;

inline constexpr std::array<std::int32_t, 6> kBlockSizes = {256, 512, 1024, 2048, 4096, 8192};
inline constexpr int kBlockSize1024 = 2;

// By position "B" to "TB" is also the number of divisions by 1024 from bytes.
inline constexpr std::array<std::string_view, 6> kUnitCodes = {"B", "KB", "MB", "GB", "TB", "%"};
inline constexpr std::string_view kPercentUnit = "%";

// The block size the settings form picks when the OS is chosen; 0 keeps the
// user's choice (the OS has no one usual size).
struct OsCode {
    std::string_view code;
    std::int32_t blockSize;
};
inline constexpr std::array<OsCode, 12> kOsTable = {{
    {"LINUX", 1024},
    {"BSD", 1024},
    {"SOLARIS", 1024},
    {"HPUX", 1024},
    {"TRUE64", 512},
    {"SUNOS", 1024},
    {"AIX", 512},
    {"HPUX11", 1024},
    {"SCO5", 0},
    {"BRWDF", 0},
    {"VMESX", 0},
    {"VMESX4", 0},
}};

constexpr std::array<std::string_view, kOsTable.size()> OsCodes() {
    std::array<std::string_view, kOsTable.size()> codes{};
    for (std::size_t i = 0; i < kOsTable.size(); ++i) {
        codes[i] = kOsTable[i].code;
    }
    return codes;
}
inline constexpr std::array<std::string_view, kOsTable.size()> kOsCodes = OsCodes();
inline constexpr int kOsLinux = 0;

// Position of `code` in `codes`, or -1.
template <typename Codes, typename Code>
constexpr int PositionOf(const Codes& codes, const Code& code) {
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Position of `code`, or `fallback` for a code not in the list.
template <typename Codes>
constexpr int PositionOr(const Codes& codes, std::string_view code, int fallback) {
    const int position = PositionOf(codes, code);
    return position < 0 ? fallback : position;
}

// The code at a list position; nullopt when no entry is chosen (-1, the user
// typed into the combo box) or the position lies outside the list.
template <typename Codes>
constexpr std::optional<typename Codes::value_type> CodeAt(const Codes& codes, int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= codes.size()) {
        return std::nullopt;
    }
    return codes[static_cast<std::size_t>(position)];
}

// The block size the settings form picks for an OS code: the OS's own, else
// the form's default of 1024.
constexpr std::int32_t DefaultBlockSize(std::string_view os) {
    const int position = PositionOf(kOsCodes, os);
    const std::int32_t own =
        position < 0 ? 0 : kOsTable[static_cast<std::size_t>(position)].blockSize;
    return own > 0 ? own : kBlockSizes[kBlockSize1024];
}

// How often the free bytes are divided by 1024 for a unit; "B", "%" and
// unknown units stay bytes.
constexpr int KilobyteSteps(std::string_view unit) {
    const int position = PositionOf(kUnitCodes, unit);
    return unit == kPercentUnit || position < 0 ? 0 : position;
}

}  // namespace tavrix
