// Random df output through random piece boundaries, with random settings.
// Besides the sanitizers, it checks that the record count stays within its
// 16-bit range and that every counted record exists.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "host/evaluation.h"
#include "query/df_parser.h"
#include "query/query_state.h"
#include "support/trace.h"

namespace {

using namespace tavrix;

constexpr std::array<const char*, 6> kEols = {"CR", "LF", "CRLF", "", "crlf", "X"};
constexpr std::array<const char*, 5> kOses = {"LINUX", "BRWDF", "SOLARIS", "brwdf", ""};
constexpr std::array<const char*, 4> kUnits = {"GB", "%", "B", ""};

void ParseAndCheck(FuzzedDataProvider& input) {
    gOS = input.PickValueInArray(kOses);
    gEOL = input.PickValueInArray(kEols);
    gResource = input.ConsumeRandomLengthString(16);
    gExpectHeader = input.ConsumeBool();
    gHasTypeColumn = input.ConsumeBool();
    gInodeColumns = input.ConsumeIntegralInRange<int>(0, 3);
    const std::string unit = input.PickValueInArray(kUnits);
    ResetMountRecords();
    // Parsing at the record limit is the rare path: start near it now and
    // then (not always: filling 32768 records makes a run slow).
    if (input.ConsumeIntegral<std::uint8_t>() == 0xA5) {
        gMountCount = input.ConsumeIntegralInRange<std::int16_t>(32700, 32767);
        gMountRecords.resize(static_cast<std::size_t>(gMountCount) + 1);
    }

    while (input.remaining_bytes() > 0) {
        const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 1460);
        const std::string piece = input.ConsumeBytesAsString(length);
        Splitt_in_lines(piece);
        if (gMountCount < 0 || static_cast<std::size_t>(gMountCount) > gMountRecords.size()) {
            std::abort();
        }
    }

    const EvaluationSettings settings{gResource, gOS, 512, unit, 1, false};
    const Verdict verdict = EvaluateRecords(gMountRecords, gMountCount, settings);
    if (verdict.recordIndex && *verdict.recordIndex >= static_cast<std::size_t>(gMountCount)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // Half the runs with tracing on, so that the traced numbers get formatted.
    std::optional<TraceCapture> capture;
    if (input.ConsumeBool()) {
        capture.emplace();
    }
    ParseAndCheck(input);
    return 0;
}
