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
    if (cut == 0) {
        return {};
    }
    std::string ready = held_.substr(0, cut);
    held_.erase(0, cut);
    lineStart_ -= cut;
    searchFrom_ -= cut;
    blankFrom_ -= cut;
    return ready;
}

std::string OutputCapture::TakeRest() {
    std::string rest = std::move(held_);
    Reset(firstLineIsHeader_);
    return rest;
}

}  // namespace tavrix
