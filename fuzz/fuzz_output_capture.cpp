// Random df output cut at random places: the parts the output capture hands
// over must parse exactly like the whole output in one piece.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "parse_in_parts.h"

namespace {

using namespace tavrix;

constexpr std::array<const char*, 4> kEols = {"CR", "LF", "CRLF", ""};
constexpr std::array<const char*, 2> kOses = {"LINUX", "BRWDF"};
constexpr std::size_t kMostCuts = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    QueryInputs inputs;
    inputs.eol = input.PickValueInArray(kEols);
    inputs.os = input.PickValueInArray(kOses);
    std::vector<std::size_t> cuts(input.ConsumeIntegralInRange<std::size_t>(0, kMostCuts));
    for (std::size_t& cut : cuts) {
        cut = input.ConsumeIntegral<std::uint16_t>();
    }
    std::sort(cuts.begin(), cuts.end());
    const std::string output = input.ConsumeRemainingBytesAsString();
    if (ParseInParts(inputs, output, cuts) != ParseWhole(inputs, output)) {
        std::abort();
    }
    return 0;
}
