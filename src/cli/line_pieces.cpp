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
    const auto lastEnd = pending_.rfind(separator_);
    std::size_t cut = 0;
    if (lastEnd != std::string::npos) {
        cut = lastEnd + separator_.size();
        // A complete last line without a blank is a device name that df
        // wrapped: its figures follow on the next line, so keep them together.
        const auto previousEnd =
            lastEnd == 0 ? std::string::npos : pending_.rfind(separator_, lastEnd - 1);
        const std::size_t lineStart =
            previousEnd == std::string::npos ? 0 : previousEnd + separator_.size();
        const std::string_view lastLine(pending_.data() + lineStart, lastEnd - lineStart);
        if (lastLine.find(' ') == std::string_view::npos) {
            cut = lineStart;
        }
    }
    if (cut == 0 && pending_.size() >= kMaxPiece) {
        cut = kMaxPiece;  // one line longer than a piece: it is cut, as received output would be
    }
    if (cut > 0) {
        sink_(std::string_view(pending_.data(), cut));
        pending_.erase(0, cut);
    }
}

void LinePieces::Finish() {
    if (!pending_.empty()) {
        sink_(pending_);
        pending_.clear();
    }
}

}  // namespace tavrix::cli
