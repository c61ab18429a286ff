#pragma once
// The output capture's promise, as the unit test and the fuzz target check it:
// the parts it hands over parse exactly like the whole output in one piece.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "query/df_parser.h"
#include "query/output_capture.h"
#include "query/query_setup.h"
#include "query/query_state.h"

namespace tavrix {

struct ParsedOutput {
    std::string header;
    bool hasTypeColumn = false;
    std::vector<MountRecord> records;

    bool operator==(const ParsedOutput&) const = default;
};

inline ParsedOutput TakeParsed() {
    const auto count = static_cast<std::size_t>(std::max<int>(gMountCount, 0));
    return {gFirstLine, gHasTypeColumn,
            std::vector<MountRecord>(gMountRecords.begin(),
                                     gMountRecords.begin() + static_cast<std::ptrdiff_t>(count))};
}

inline ParsedOutput ParseWhole(const QueryInputs& inputs, std::string_view output) {
    SetUpCheckQuery(inputs);
    Splitt_in_lines(output);
    return TakeParsed();
}

// `cuts`: ascending positions at which the received pieces end.
inline ParsedOutput ParseInParts(const QueryInputs& inputs, std::string_view output,
                                 const std::vector<std::size_t>& cuts) {
    SetUpCheckQuery(inputs);
    OutputCapture capture;
    capture.Reset(gExpectHeader);
    const std::string_view separator = LineSeparator(gEOL);
    std::size_t start = 0;
    for (const std::size_t cut : cuts) {
        const std::size_t end = std::clamp(cut, start, output.size());
        Splitt_in_lines(capture.Take(output.substr(start, end - start), separator));
        start = end;
    }
    Splitt_in_lines(capture.Take(output.substr(start), separator));
    Splitt_in_lines(capture.TakeRest());
    return TakeParsed();
}

}  // namespace tavrix
