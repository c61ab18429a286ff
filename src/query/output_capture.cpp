#include "query/output_capture.h"

namespace tavrix {

void OutputCapture::Reset(bool firstLineIsHeader) {
    held_.clear();
    lineStart_ = 0;
    searchFrom_ = 0;
    blankFrom_ = 0;
    lineHasBlank_ = false;
    standsAlone_ = false;  // the parser never glues the first line: the next one stands alone
    mayCutHere_ = true;
    firstLineIsHeader_ = firstLineIsHeader;
}

std::string OutputCapture::Take(std::string_view piece, std::string_view separator) {
    if (separator.empty()) {
        separator = "\n";
    }
    held_.append(piece);
    // A part may begin at a line that the parser reads on its own and that holds
    // a blank: it is then neither glued to nor absorbing a line of another part.
    std::size_t cut = 0;
    for (;;) {
        const std::size_t end = held_.find(separator, searchFrom_);
        const std::size_t lineEnd = end == std::string::npos ? held_.size() : end;
        if (!lineHasBlank_ && lineEnd > blankFrom_) {
            lineHasBlank_ = held_.find(' ', blankFrom_) < lineEnd;
        }
        blankFrom_ = lineEnd;
        if (lineStart_ > 0 && standsAlone_ && mayCutHere_ && lineHasBlank_) {
            cut = lineStart_;
        }
        if (end == std::string::npos) {
            CutShortTheLongLine(separator.size());
            // A separator of two characters may be cut after its first one.
            const std::size_t keep = separator.size() - 1;
            searchFrom_ = held_.size() > lineStart_ + keep ? held_.size() - keep : lineStart_;
            break;
        }
        const bool lone = !lineHasBlank_;
        mayCutHere_ = !(lineStart_ == 0 && !firstLineIsHeader_ && end > 0 && lone);
        // A lone word (or an empty line) that stands alone absorbs the next line.
        standsAlone_ = !standsAlone_ || !lone;
        lineStart_ = end + separator.size();
        searchFrom_ = lineStart_;
        blankFrom_ = lineStart_;
        lineHasBlank_ = false;
    }
    if (cut == 0 && lineStart_ > kMaxHeldBytes) {
        // Lines without a blank give no place where the parse would be the
        // same: hand them on as they are, and start afresh like a new part.
        std::string ready = HandOn(lineStart_);
        standsAlone_ = false;
        mayCutHere_ = true;
        firstLineIsHeader_ = false;
        return ready;
    }
    if (cut == 0) {
        return {};
    }
    return HandOn(cut);
}

std::string OutputCapture::HandOn(std::size_t cut) {
    std::string ready = held_.substr(0, cut);
    held_.erase(0, cut);
    lineStart_ -= cut;
    searchFrom_ -= cut;
    blankFrom_ -= cut;
    return ready;
}

void OutputCapture::CutShortTheLongLine(std::size_t separatorSize) {
    // The last characters stay: they may begin a separator.
    const std::size_t keep = separatorSize - 1;
    const std::size_t limit = lineStart_ + kMaxLineBytes;
    if (held_.size() <= limit + keep) {
        return;
    }
    held_.erase(limit, held_.size() - keep - limit);
    blankFrom_ = held_.size();
    // Whether the parser will see a blank depends on what is left of the line.
    lineHasBlank_ = lineHasBlank_ && held_.find(' ', lineStart_) < held_.size();
}

std::string OutputCapture::TakeRest() {
    std::string rest = std::move(held_);
    Reset(firstLineIsHeader_);
    return rest;
}

}  // namespace tavrix
