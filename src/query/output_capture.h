#pragma once
// Cuts the received output into the parts that the df parser may take one by
// one without changing its result: the parser reads every part on its own, and
// it glues a word alone on its line to the line after it, so a part must never
// end in the middle of a line, nor between a lone word and the line it wraps to.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrix {

// What the capture holds stays bounded whatever the server sends: a line
// longer than kMaxLineBytes keeps only its start (no df line comes near it),
// and text without a place to cut is handed on once it passes kMaxHeldBytes.
// Output within these bounds parses exactly as if it came in one piece.
class OutputCapture {
  public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kMaxHeldBytes = 1024 * 1024;

    // Starts a new query's output; `firstLineIsHeader` as gExpectHeader.
    void Reset(bool firstLineIsHeader = true);

    // Adds a received piece; returns the text that is ready for the parser
    // (possibly empty). `separator` is the line separator of the output.
    std::string Take(std::string_view piece, std::string_view separator);

    // The end of the output: everything not yet handed over.
    std::string TakeRest();

  private:
    void CutShortTheLongLine(std::size_t separatorSize);
    std::string HandOn(std::size_t cut);

    std::string held_;            // starts where the parser would start a line afresh
    std::size_t lineStart_ = 0;   // start of the line in held_ that is not complete yet
    std::size_t searchFrom_ = 0;  // no separator starts before this position
    std::size_t blankFrom_ = 0;   // the line at lineStart_ has no blank before this position
    bool lineHasBlank_ = false;
    // Whether the parser reads the line at lineStart_ on its own; false when the
    // line before it was a lone word (it absorbs this one) and for the header.
    bool standsAlone_ = false;
    // False only after a first line that is a lone word but no header: the
    // parser puts it in front of the next line.
    bool mayCutHere_ = true;
    bool firstLineIsHeader_ = true;
};

}  // namespace tavrix
