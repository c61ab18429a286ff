// Random output of the combined command through random piece boundaries: the
// marker split hands on every byte exactly once, and the inode parser takes
// whatever follows the marker.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "query/df_command.h"
#include "query/inode_listing.h"
#include "query/marker_split.h"

namespace {

using namespace tavrix;

constexpr std::array<const char*, 4> kEols = {"LF", "CRLF", "CR", ""};
constexpr std::array<const char*, 3> kOses = {"LINUX", "BSD", "SOLARIS"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string os = input.PickValueInArray(kOses);
    const std::string eol = input.PickValueInArray(kEols);
    MarkerSplit split(kInodeMarker);
    std::string whole;
    std::string before;
    std::string after;
    std::string allBefore;
    std::string allAfter;
    while (input.remaining_bytes() > 0) {
        const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 64);
        const std::string piece = input.ConsumeBytesAsString(length);
        whole += piece;
        split.Take(piece, before, after);
        allBefore += before;
        allAfter += after;
    }
    allBefore += split.TakeRest();
    const std::string rebuilt =
        allBefore + (split.MarkerSeen() ? std::string(kInodeMarker) : std::string()) + allAfter;
    if (rebuilt != whole) {
        std::abort();
    }
    const InodeListing listing = ParseInodeOutput(allAfter, os, eol);
    if (!listing.records.empty() && !listing.problem.empty()) {
        std::abort();
    }
    return 0;
}
