#pragma once
// Splits the output of one command that prints two listings with a marker
// line between them, as the pieces arrive: the marker may be cut anywhere.

#include <string>
#include <string_view>

namespace tavrix {

class MarkerSplit {
  public:
    explicit MarkerSplit(std::string_view marker = {}) : marker_(marker) {}

    void Reset(std::string_view marker);

    // Adds a piece: `before` gets the text of the first listing that is ready,
    // `after` the text after the marker (its line end included).
    void Take(std::string_view piece, std::string& before, std::string& after);

    // The end of the output: what is still held belongs to the first listing.
    std::string TakeRest();

    bool MarkerSeen() const { return seen_; }

  private:
    std::string marker_;
    std::string held_;  // a tail that may be the start of the marker
    bool seen_ = false;
};

}  // namespace tavrix
