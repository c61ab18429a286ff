// Parser throughput on a large df listing, whole and in network-sized pieces,
// and how its cost grows with the number of lines.
// Targets: at least 150 MB/s; 4 times the lines at most 4.4 times the time.

#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "query/df_parser.h"
#include "query/query_state.h"
#include "support/trace.h"

namespace {

using namespace tavrix;

constexpr std::size_t kTcpPiece = 1460;

std::string DfListing(int lines) {
    std::string text = "Filesystem            1K-blocks       Used  Available Use% Mounted on\n";
    char line[128];
    for (int i = 0; i < lines; ++i) {
        const int length = std::snprintf(
            line, sizeof line, "/dev/mapper/vg0-data%05d   %10d %10d %10d  %2d%% /srv/vol%05d\n", i,
            1031208960, 524288000 + i, 506524480 - i, i % 100, i);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

std::vector<std::string_view> Pieces(std::string_view text, std::size_t pieceSize) {
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0; at < text.size(); at += pieceSize) {
        pieces.push_back(text.substr(at, pieceSize));
    }
    return pieces;
}

void StartQuery() {
    gOS = "LINUX";
    gEOL = "LF";
    gResource.clear();  // keep every line: the most work per line
    gExpectHeader = true;
    ResetMountRecords();
}

void ParsePieces(const std::vector<std::string_view>& pieces) {
    for (const auto piece : pieces) {
        Splitt_in_lines(piece);
    }
    benchmark::DoNotOptimize(gMountCount);
}

void SetThroughput(benchmark::State& state, std::size_t bytes) {
    const auto total = static_cast<double>(bytes) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
    state.counters["MB/s"] = benchmark::Counter(total / 1e6, benchmark::Counter::kIsRate);
}

// Arguments: number of data lines; piece size (0: the whole output at once).
void BM_ParseListing(benchmark::State& state) {
    const std::string listing = DfListing(static_cast<int>(state.range(0)));
    const auto pieceSize =
        state.range(1) == 0 ? listing.size() : static_cast<std::size_t>(state.range(1));
    const auto pieces = Pieces(listing, pieceSize);
    for (auto _ : state) {
        StartQuery();
        ParsePieces(pieces);
    }
    state.counters["records"] = gMountCount;
    SetThroughput(state, listing.size());
}
BENCHMARK(BM_ParseListing)
    ->Args({32767, 0})
    ->Args({32767, kTcpPiece})
    ->Args({8192, 0})
    ->Args({8192, kTcpPiece})
    ->Unit(benchmark::kMillisecond);

// CPU time of this thread: other work on the machine does not skew the ratio.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Both sizes in every iteration, so that the ratio compares like with like.
// Whole outputs: cut into pieces, the large one would reach the record limit
// (every line cut in two takes two records) and skip its last lines.
void BM_Linearity(benchmark::State& state) {
    const std::string small = DfListing(8192);
    const std::string large = DfListing(32767);
    const auto smallPieces = Pieces(small, small.size());
    const auto largePieces = Pieces(large, large.size());
    double smallTime = 0;
    double largeTime = 0;
    for (auto _ : state) {
        // Emptying the previous query's records is not part of the parse.
        StartQuery();
        const double smallStart = ThreadSeconds();
        ParsePieces(smallPieces);
        smallTime += ThreadSeconds() - smallStart;
        StartQuery();
        const double largeStart = ThreadSeconds();
        ParsePieces(largePieces);
        largeTime += ThreadSeconds() - largeStart;
    }
    state.counters["lines_ratio"] = 32767.0 / 8192.0;
    state.counters["time_ratio"] = largeTime / smallTime;
    state.counters["large_MB/s"] = static_cast<double>(large.size()) *
                                   static_cast<double>(state.iterations()) / 1e6 / largeTime;
}
BENCHMARK(BM_Linearity)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    SetTraceEnabled(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
