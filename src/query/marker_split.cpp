#include "query/marker_split.h"

#include <algorithm>

namespace tavrix {

void MarkerSplit::Reset(std::string_view marker) {
    marker_ = marker;
    held_.clear();
    seen_ = false;
}

void MarkerSplit::Take(std::string_view piece, std::string& before, std::string& after) {
    before.clear();
    after.clear();
    if (seen_ || marker_.empty()) {
        (seen_ ? after : before).assign(piece);
        return;
    }
    held_.append(piece);
    const std::size_t at = held_.find(marker_);
    if (at != std::string::npos) {
        before.assign(held_, 0, at);
        after.assign(held_, at + marker_.size());
        held_.clear();
        seen_ = true;
        return;
    }
    // Only a tail shorter than the marker can still become it.
    const std::size_t keep = std::min(held_.size(), marker_.size() - 1);
    before.assign(held_, 0, held_.size() - keep);
    held_.erase(0, held_.size() - keep);
}

std::string MarkerSplit::TakeRest() {
    std::string rest = std::move(held_);
    held_.clear();
    return rest;
}

}  // namespace tavrix
