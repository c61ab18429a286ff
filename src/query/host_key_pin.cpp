#include "query/host_key_pin.h"

#include <algorithm>
#include <cctype>

namespace tavrix {

namespace {

constexpr std::string_view kHashPrefix = "SHA256:";
constexpr std::size_t kSha256Base64Length = 43;  // 32 bytes, unpadded

bool IsBase64Character(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '/';
}

bool IsKeyTypeCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '@' || c == '.' ||
           c == '_';
}

}  // namespace

std::string NormalizedPin(std::string_view pin) {
    const auto first = pin.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(pin.substr(first, pin.find_last_not_of(' ') - first + 1));
}

bool IsHostKeyPin(std::string_view pin) {
    const auto blank = pin.find(' ');
    if (blank == 0 || blank == std::string_view::npos) {
        return false;
    }
    const std::string_view type = pin.substr(0, blank);
    const std::string_view hash = pin.substr(blank + 1);
    return std::all_of(type.begin(), type.end(), IsKeyTypeCharacter) &&
           hash.starts_with(kHashPrefix) &&
           hash.size() == kHashPrefix.size() + kSha256Base64Length &&
           std::all_of(hash.begin() + kHashPrefix.size(), hash.end(), IsBase64Character);
}

std::string PinKeyType(std::string_view pin) {
    const std::string normalized = NormalizedPin(pin);
    const auto blank = normalized.find(' ');
    return blank == std::string::npos ? std::string() : normalized.substr(0, blank);
}

std::string HostKeyChangedText(std::string_view host, std::string_view pin,
                               std::string_view offered) {
    return "The host key of " + std::string(host) + " has changed: expected " + std::string(pin) +
           ", the server offered " + std::string(offered);
}

}  // namespace tavrix
