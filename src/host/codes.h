#pragma once
// The codes the parameter string stores, by list position of the settings form.

#include <array>
#include <cstdint>
#include <string_view>

namespace tavrix {

inline constexpr std::array<std::string_view, 3> kProtocolCodes = {"1", "2", "A"};
inline constexpr std::array<std::string_view, 2> kKeyTypeCodes = {"RSA", "DSA"};
inline constexpr std::array<std::string_view, 12> kOsCodes = {
    "LINUX", "BSD",    "SOLARIS", "HPUX",  "TRUE64", "SUNOS",
    "AIX",   "HPUX11", "SCO5",    "BRWDF", "VMESX",  "VMESX4"};
inline constexpr std::array<std::int32_t, 6> kBlockSizes = {256, 512, 1024, 2048, 4096, 8192};
inline constexpr std::array<std::string_view, 6> kUnitCodes = {"B", "KB", "MB", "GB", "TB", "%"};
inline constexpr std::array<std::string_view, 3> kEolCodes = {"CR", "LF", "CRLF"};

// Position of `code` in `codes`, or -1.
template <typename Codes>
constexpr int PositionOf(const Codes& codes, std::string_view code) {
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace tavrix
