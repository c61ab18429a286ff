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

// Characters that no POSIX shell treats specially outside quotes. "=" only
// inside a word: zsh expands a word that begins with it.
bool IsPlainInPosixShell(char c) {
    return IsAsciiLetterOrDigit(c) ||
           std::string_view("/._-+:@%=,").find(c) != std::string_view::npos;
}

std::string ForPosixShell(const std::string& mount) {
    bool plain = !mount.starts_with('=');
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

// The letters of Windows-1252 above ASCII: Š Œ Ž š œ ž Ÿ ƒ ª µ º and
// À to ÿ without × and ÷.
bool IsHighWindowsLetter(unsigned char c) {
    if (c >= 0xC0) {
        return c != 0xD7 && c != 0xF7;
    }
    return std::string_view("\x83\x8a\x8c\x8e\x9a\x9c\x9e\x9f\xaa\xb5\xba")
               .find(static_cast<char>(c)) != std::string_view::npos;
}

// A Windows SSH server may run the command through cmd.exe, PowerShell or a
// POSIX shell; none of them does anything with these (quoted where needed).
// "?" is no shell character for cmd.exe, and inside quotes neither PowerShell
// nor a POSIX shell expands it: volume paths \\?\Volume{...}\ need it.
bool IsAllowedForWindows(char c) {
    return IsAsciiLetterOrDigit(c) || c == ' ' ||
           IsHighWindowsLetter(static_cast<unsigned char>(c)) ||
           std::string_view("\\/:._-+,@~()[]{}?").find(c) != std::string_view::npos;
}

// Sent bare as before: drive letters and paths. Anything else goes in double
// quotes, where cmd.exe, PowerShell and a POSIX shell all take it literally
// (PowerShell would run "(...)" outside them).
bool IsBareForWindows(char c) {
    return IsAsciiLetterOrDigit(c) || IsHighWindowsLetter(static_cast<unsigned char>(c)) ||
           std::string_view("\\/:._-+").find(c) != std::string_view::npos;
}

std::string ForWindowsShell(const std::string& mount) {
    bool bare = true;
    for (char c : mount) {
        if (!IsAllowedForWindows(c)) {
            throw Failure("The mount name " + mount +
                          " holds a character that the Windows shell would interpret"
                          " (only letters, digits, blanks and \\ / : . _ - + , @ ~ ( ) [ ] { } ?"
                          " are sent)");
        }
        bare = bare && IsBareForWindows(c);
    }
    if (bare) {
        return mount;
    }
    // Backslashes before the closing quote would escape it under the C
    // runtime's rules: doubled, they stand for themselves.
    std::string quoted = "\"" + mount;
    for (std::size_t i = mount.size(); i > 0 && mount[i - 1] == '\\'; --i) {
        quoted += '\\';
    }
    return quoted + "\"";
}

const DfCommand* FindDfCommand(std::string_view os) {
    for (const DfCommand& command : kDfCommands) {
        if (command.os == os) {
            return &command;
        }
    }
    return nullptr;
}

std::string QuotedMount(const std::string& os, const std::string& mount) {
    if (mount.starts_with('-')) {
        // df would take it for an option
        throw Failure("The mount name " + mount + " is refused: a mount name cannot begin with -");
    }
    return os == "BRWDF" ? ForWindowsShell(mount) : ForPosixShell(mount);
}

struct InodeDf {
    std::string_view os;
    std::string_view command;
};

// From the systems' df manuals: GNU df -i (with -P, one line per file system),
// BSD and Tru64 df -i, SunOS 4 df -i, Solaris df -o i (ufs only), HP-UX bdf -i,
// AIX df -i. Each prints used and free inodes beside the mount.
constexpr std::array<InodeDf, 8> kInodeDfs = {{
    {"LINUX", "df -iP "},
    {"BSD", "df -i "},
    {"SOLARIS", "df -o i "},
    {"HPUX", "bdf -i "},
    {"HPUX11", "bdf -i "},
    {"AIX", "df -i "},
    {"TRUE64", "df -i "},
    {"SUNOS", "df -i "},
}};

const InodeDf* FindInodeDf(std::string_view os) {
    for (const InodeDf& inodeDf : kInodeDfs) {
        if (inodeDf.os == os) {
            return &inodeDf;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<std::string> BuildDfCommand(const std::string& os, const std::string& mount) {
    const DfCommand* command = FindDfCommand(os);
    if (command == nullptr) {
        return std::nullopt;
    }
    return std::string(command->prefix) + QuotedMount(os, mount) + std::string(command->suffix);
}

bool DfPrintsTypes(std::string_view os) {
    return os == "LINUX";
}

std::optional<std::string> InodeDfCommand(std::string_view os) {
    const InodeDf* inodeDf = FindInodeDf(os);
    if (inodeDf == nullptr) {
        return std::nullopt;
    }
    return std::string(TrimBlanks(inodeDf->command));
}

std::string NoInodeFiguresText(std::string_view os) {
    return "df on OS " + std::string(os) + " prints no inode figures";
}

std::optional<std::string> BuildCheckDfCommand(const std::string& os, const std::string& mount,
                                               const DfRequest& request) {
    const DfCommand* command = FindDfCommand(os);
    if (command == nullptr) {
        return std::nullopt;
    }
    const std::string name = QuotedMount(os, mount);
    // -P keeps GNU df to one line per file system, as the other commands are.
    std::string line = request.withTypes && DfPrintsTypes(os) ? std::string("df -kPT ")
                                                              : std::string(command->prefix);
    line += name;
    const InodeDf* inodeDf = request.withInodes ? FindInodeDf(os) : nullptr;
    if (inodeDf != nullptr) {
        line += ";echo ";
        line += kInodeMarker;
        line += ';';
        line += inodeDf->command;
        line += name;
    }
    return line + std::string(command->suffix);
}

}  // namespace tavrix
