#include "query/marker_split.h"

#include <algorithm>

namespace tavrix {

void MarkerSplit::Reset(std::string_view marker) {
    marker_.clear();
    held_.clear();
    seen_ = false;
    leadHeld_ = false;
    if (!marker.empty()) {
        // The marker counts only at the start of a line: a mount name that
        // holds its text does not cut the listing.
        marker_ = "\n" + std::string(marker);
        held_ = "\n";
        leadHeld_ = true;
    }
}

void MarkerSplit::HandOn(std::string& before, std::size_t size) {
    const std::size_t lead = leadHeld_ && size > 0 ? 1 : 0;
    before.assign(held_, lead, size - lead);
    leadHeld_ = leadHeld_ && size == 0;
    held_.erase(0, size);
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
        after.assign(held_, at + marker_.size());
        HandOn(before, at + 1);  // the line end before the marker is the listing's
        held_.clear();
        seen_ = true;
        return;
    }
    // Only a tail shorter than the marker can still become it.
    const std::size_t keep = std::min(held_.size(), marker_.size() - 1);
    HandOn(before, held_.size() - keep);
}

std::string MarkerSplit::TakeRest() {
    std::string rest;
    HandOn(rest, held_.size());
    return rest;
}

}  // namespace tavrix
