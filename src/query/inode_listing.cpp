#include "query/inode_listing.h"

#include <optional>
#include <string>
#include <vector>

#include "query/df_parser.h"
#include "query/df_words.h"
#include "query/mount_match.h"
#include "support/numbers.h"
#include "support/text.h"

namespace tavrix {

namespace {

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    text = TrimBlanks(text);
    while (!text.empty()) {
        const auto blank = text.find(' ');
        words.push_back(text.substr(0, blank));
        text = blank == std::string_view::npos ? std::string_view()
                                               : TrimBlanks(text.substr(blank + 1));
    }
    return words;
}

bool SameLetters(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

// Where the figures stand, counted in words after the file system name; the
// mount is the rest of the line after `columns` words.
struct InodeLayout {
    std::optional<std::size_t> total;
    std::optional<std::size_t> used;
    std::optional<std::size_t> free;
    std::size_t columns = 0;  // words from the file system name to the mount
};

// Every inode df names its columns: GNU "Inodes IUsed IFree", the BSDs and
// HP-UX "iused ifree" after their space columns, Solaris "iused ifree".
std::optional<InodeLayout> ReadHeader(std::string_view header) {
    const std::vector<std::string_view> words = Words(header);
    InodeLayout layout;
    std::size_t column = 0;
    for (; column < words.size() && !SameLetters(words[column], "mounted"); ++column) {
        const std::string_view word = words[column];
        if (SameLetters(word, "inodes") || SameLetters(word, "itotal")) {
            layout.total = column;
        } else if (SameLetters(word, "iused")) {
            layout.used = column;
        } else if (SameLetters(word, "ifree") || SameLetters(word, "iavail")) {
            layout.free = column;
        }
    }
    layout.columns = column;
    if (column == words.size() || !layout.used || !(layout.free || layout.total)) {
        return std::nullopt;
    }
    return layout;
}

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// "map -hosts": the automounter's maps hold a blank in their name.
std::size_t NameWords(const std::vector<std::string_view>& words) {
    return words.size() > 1 && words[0] == "map" && !df_words::IsFigureWord(words[1]) ? 2 : 1;
}

std::optional<InodeRecord> ReadLine(std::string_view line, const InodeLayout& layout) {
    const std::vector<std::string_view> words = Words(line);
    const std::size_t nameWords = NameWords(words);
    const std::size_t columns = layout.columns + nameWords - 1;
    if (words.size() <= columns) {
        return std::nullopt;
    }
    const auto figure = [&](std::optional<std::size_t> column) {
        return column ? ReadWordNumber(words[*column + nameWords - 1]) : 0.0;
    };
    InodeRecord record;
    const std::string_view last = words[nameWords - 1];
    record.filesystem.assign(words[0].data(),
                             static_cast<std::size_t>(last.data() + last.size() - words[0].data()));
    const std::string_view afterColumns = words[columns];
    record.mount.assign(
        TrimBlanks(line.substr(static_cast<std::size_t>(afterColumns.data() - line.data()))));
    record.used = figure(layout.used);
    record.free = layout.free ? figure(layout.free) : figure(layout.total) - record.used;
    record.total = layout.total ? figure(layout.total) : record.used + record.free;
    return record;
}

}  // namespace

InodeListing ParseInodeOutput(std::string_view output, std::string_view os, std::string_view eol) {
    InodeListing listing;
    listing.asked = true;
    const std::string_view separator = LineSeparator(eol);
    std::optional<InodeLayout> layout;
    bool headerSeen = false;
    std::string pending;  // a file system name alone on its line (bdf wraps long names)
    while (!output.empty()) {
        const auto end = output.find(separator);
        std::string_view line = WithoutCarriageReturn(output.substr(0, end));
        output = end == std::string_view::npos ? std::string_view()
                                               : output.substr(end + separator.size());
        if (TrimBlanks(line).empty()) {
            continue;
        }
        if (!headerSeen) {
            headerSeen = true;
            layout = ReadHeader(line);
            if (!layout) {
                listing.problem = "the inode listing has columns that are not understood: " +
                                  std::string(TrimBlanks(line));
                return listing;
            }
            continue;
        }
        std::string joined;
        if (!pending.empty()) {
            joined = pending + " " + std::string(TrimBlanks(line));
            line = joined;
            pending.clear();
        } else if (!ContainsBlank(TrimBlanks(line))) {
            pending.assign(TrimBlanks(line));
            continue;
        }
        if (std::optional<InodeRecord> record = ReadLine(line, *layout)) {
            listing.records.push_back(std::move(*record));
        }
    }
    if (!headerSeen) {
        listing.problem = "df on OS " + std::string(os) + " printed no inode listing";
    }
    return listing;
}

const InodeRecord* FindInodeRecord(const InodeListing& listing, std::string_view mount,
                                   std::string_view os) {
    const InodeRecord* found = nullptr;
    for (const InodeRecord& record : listing.records) {
        if (MountMatches(record.mount, mount, os == kBrwdfOs)) {
            found = &record;
        }
    }
    return found;
}

}  // namespace tavrix
