#include "cli/line_pieces.h"

#include <algorithm>
#include <utility>

namespace tavrix::cli {

LinePieces::LinePieces(std::string separator, Sink sink)
    : separator_(std::move(separator)), sink_(std::move(sink)) {}

std::size_t LinePieces::Room() const {
    return pending_.size() >= kMaxPiece ? 0 : kMaxPiece - pending_.size();
}

void LinePieces::Add(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t take = std::min(Room(), bytes.size());
        AddWithinRoom(bytes.substr(0, take));
        bytes.remove_prefix(take);
    }
}

void LinePieces::AddWithinRoom(std::string_view bytes) {
    pending_.append(bytes);
    const std::size_t cut = SafeCut();
    if (cut > 0) {
        sink_(std::string_view(pending_.data(), cut));
        pending_.erase(0, cut);
    }
}

// The parser glues a line without a blank (a wrapped device name, an empty
// line) to the line after it, but only within a piece. A piece may therefore
// end only where neither side of the cut takes part in such a glue: between
// two lines that both hold a blank. Failing that, a full piece is cut at its
// last line end, or anywhere, as received output would be.
std::size_t LinePieces::SafeCut() const {
    const std::string_view text(pending_);
    auto hasBlank = [&](std::size_t from, std::size_t to) {
        return text.substr(from, to - from).find(' ') != std::string_view::npos;
    };
    std::size_t lineStart = text.rfind(separator_);
    if (lineStart == std::string_view::npos) {
        return text.size() >= kMaxPiece ? kMaxPiece : 0;
    }
    const std::size_t lastLineEnd = lineStart + separator_.size();
    lineStart = lastLineEnd;
    std::size_t lineEnd = text.size();
    while (lineStart > 0) {
        const std::size_t previousEnd = lineStart - separator_.size();
        const std::size_t found = previousEnd < separator_.size()
                                      ? std::string_view::npos
                                      : text.rfind(separator_, previousEnd - separator_.size());
        const std::size_t previousStart =
            found == std::string_view::npos ? 0 : found + separator_.size();
        if (hasBlank(lineStart, lineEnd) && hasBlank(previousStart, previousEnd)) {
            return lineStart;
        }
        lineEnd = previousEnd;
        lineStart = previousStart;
    }
    return text.size() >= kMaxPiece ? lastLineEnd : 0;
}

void LinePieces::Finish() {
    if (!pending_.empty()) {
        sink_(pending_);
        pending_.clear();
    }
}

}  // namespace tavrix::cli
