// Splitting received df output into lines, joining wrapped lines and handing
// the data lines to the line parser.
//
// The join pass and the record pass run fused in one sweep over the piece:
// the join pass has no effect of its own, and building its list first would
// cost a string per line.

#include "query/df_parser.h"

#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <string_view>

#include "query/df_line.h"
#include "query/df_words.h"
#include "query/query_state.h"
#include "support/trace.h"

namespace tavrix {
namespace {

// Walks the lines of one piece; the text after the last separator is a line
// too, the last one.
class LineCursor {
  public:
    LineCursor(std::string_view piece, std::string_view separator)
        : rest_(piece), separator_(separator) {}

    bool Next(std::string_view& line, bool& isLast) {
        if (done_) {
            return false;
        }
        const auto end = rest_.find(separator_);
        if (end == std::string_view::npos) {
            line = rest_;
            isLast = true;
            done_ = true;
        } else {
            line = rest_.substr(0, end);
            rest_.remove_prefix(end + separator_.size());
            isLast = false;
        }
        return true;
    }

  private:
    std::string_view rest_;
    std::string_view separator_;
    bool done_ = false;
};

// One entry of the joined list and whether it is the list's last.
struct JoinedLine {
    std::string_view text;
    bool isLast = false;
};

// The join pass, one entry at a time: a later line without a blank that is not
// the piece's last line is glued to the trimmed line after it.
class JoinedLines {
  public:
    JoinedLines(std::string_view piece, std::string_view separator) : lines_(piece, separator) {}

    bool Next(JoinedLine& out) {
        std::string_view line;
        bool isLast = false;
        if (!lines_.Next(line, isLast)) {
            return false;
        }
        const bool first = first_;
        first_ = false;
        if (first || isLast || ContainsBlank(line)) {
            out = {line, isLast};
            return true;
        }
        std::string_view next;
        bool nextIsLast = false;
        lines_.Next(next, nextIsLast);
        glued_.assign(line);
        glued_.push_back(' ');
        glued_.append(TrimBlanks(next));
        out = {glued_, nextIsLast};
        return true;
    }

  private:
    LineCursor lines_;
    std::string glued_;
    bool first_ = true;
};

// The record pass for the lines of one piece. Returns when the piece is done
// or the record limit ends it.
void ParseJoinedLines(JoinedLines& lines) {
    std::string carried;  // a lone word, waiting to be put before the next line
    bool carrying = false;
    JoinedLine entry;
    while (lines.Next(entry)) {
        std::string_view line = entry.text;
        if (carrying) {
            carried.push_back(' ');
            carried.append(line);
            line = carried;
            carrying = false;
        }
        if (gExpectHeader) {
            gFirstLine.assign(line);
            gHasTypeColumn = line.find("Type") != std::string_view::npos;
            gInodeColumns = df_words::InodeColumnsIn(line);
            gExpectHeader = false;
            continue;
        }
        if (line.empty()) {
            continue;
        }
        if (gMountCount < 0) {
            return;  // not a count this parser left behind
        }
        const auto slot = static_cast<std::size_t>(gMountCount);
        if (gMountRecords.size() <= slot) {
            gMountRecords.resize(slot + 1);
        }
        if (ContainsBlank(line)) {
            // The count is 16-bit: the line that would pass the limit ends the
            // piece before it is parsed.
            if (gMountCount == std::numeric_limits<std::int16_t>::max()) {
                if (!gRecordLimitReached) {
                    gRecordLimitReached = true;
                    Trace("32,767 records reached; the rest of the output was not read");
                }
                return;
            }
            ParseDataLine(line, gMountCount);
            ++gMountCount;
        } else if (!entry.isLast) {
            // `line` may view `carried`'s old text only when it holds a blank,
            // so this copy never reads from itself.
            carried.assign(line);
            carrying = true;
        }
    }
}

}  // namespace

void ResetMountRecords() {
    // clear() keeps the capacity: the next query on this thread reuses it.
    gMountRecords.clear();
    gMountRecords.emplace_back();
    gMountCount = 0;
    gRecordLimitReached = false;
}

std::string_view LineSeparator(std::string_view eol) {
    if (eol == "CR") {
        return "\r";
    }
    if (eol == "CRLF") {
        return "\r\n";
    }
    return "\n";
}

void Splitt_in_lines(std::string_view piece) {
    if (piece.empty()) {
        return;
    }
    // Called from the SSH client's notification: whatever goes wrong ends this
    // piece only, and the next piece is parsed as usual.
    try {
        JoinedLines lines(piece, LineSeparator(gEOL));
        Trace("Mount to find: ", gResource);
        ParseJoinedLines(lines);
    } catch (const std::exception& error) {
        Trace("Splitt_in_lines skips the rest of the piece: ", error.what());
    }
}

}  // namespace tavrix
