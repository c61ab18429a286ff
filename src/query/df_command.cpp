#include "query/df_command.h"

#include <array>
#include <string_view>

#include "support/failure.h"
#include "support/text.h"

namespace tavrix {

namespace {

struct DfCommand {
    std::string_view os;
    std::string_view prefix;
    std::string_view suffix;
};

// Every prefix ends in one blank; the mount name follows it directly.
constexpr std::array<DfCommand, 12> kDfCommands = {{
    {"LINUX", "df -k ", ";exit"},
    {"BSD", "df -k ", ";exit"},
    {"SOLARIS", "df -k ", ";exit"},
    {"HPUX", "df -k ", ";exit"},
    {"AIX", "df -P ", ";exit"},
    {"TRUE64", "df ", ";exit"},
    {"SUNOS", "df ", ";exit"},
    {"HPUX11", "bdf ", ";exit"},
    {"SCO5", "df -k -B ", ";exit"},
    {"BRWDF", "df -r ", ""},
    {"VMESX", "vdf ", ";exit"},
    {"VMESX4", "vdf ", ";exit"},
}};

// Characters that no POSIX shell treats specially outside quotes.
bool IsPlainInPosixShell(char c) {
    return IsAsciiLetterOrDigit(c) ||
           std::string_view("/._-+:@%=,").find(c) != std::string_view::npos;
}

std::string ForPosixShell(const std::string& mount) {
    bool plain = true;
    for (char c : mount) {
        plain = plain && IsPlainInPosixShell(c);
    }
    if (plain) {
        return mount;  // stored names like /var keep the command they always had
    }
    std::string quoted = "'";
    for (char c : mount) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

// cmd.exe offers no quoting that disarms all of these, so such a name is refused.
// Control characters are refused too: a line break would end the command line.
std::string ForWindowsShell(const std::string& mount) {
    for (char c : mount) {
        if (std::string_view("\"&|<>^%").find(c) != std::string_view::npos ||
            static_cast<unsigned char>(c) < 0x20) {
            throw Failure("The mount name " + mount +
                          " holds a character that the Windows shell would interpret"
                          " (\" & | < > ^ % or a control character)");
        }
    }
    if (mount.find(' ') != std::string::npos) {
        return "\"" + mount + "\"";
    }
    return mount;
}

}  // namespace

std::optional<std::string> BuildDfCommand(const std::string& os, const std::string& mount) {
    for (const DfCommand& command : kDfCommands) {
        if (command.os != os) {
            continue;
        }
        const std::string name = os == "BRWDF" ? ForWindowsShell(mount) : ForPosixShell(mount);
        return std::string(command.prefix) + name + std::string(command.suffix);
    }
    return std::nullopt;
}

}  // namespace tavrix
