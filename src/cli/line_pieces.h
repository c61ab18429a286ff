#pragma once
// Cuts a byte stream into pieces for the df parser the way received output
// reaches it: at most 32767 bytes a piece, and only whole lines, because the
// parser never joins text across pieces.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tavrix::cli {

class LinePieces {
  public:
    using Sink = std::function<void(std::string_view piece)>;
    static constexpr std::size_t kMaxPiece = 32767;

    LinePieces(std::string separator, Sink sink);

    // How many bytes fit before a piece must be handed over.
    std::size_t Room() const;
    void Add(std::string_view bytes);
    // The rest: the last line without its line end.
    void Finish();

  private:
    void AddWithinRoom(std::string_view bytes);
    std::size_t SafeCut() const;  // 0: nothing may be handed over yet

    std::string separator_;
    Sink sink_;
    std::string pending_;  // the unfinished tail, handed over with the next piece
};

}  // namespace tavrix::cli
