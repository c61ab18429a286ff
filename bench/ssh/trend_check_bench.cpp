// Cost of the trend kept with --state-dir:
//  1. the largest state file of one mount, for check intervals from 10 s to
//     an hour and windows of a day and a week (target: under 16 KiB);
//  2. tavrix-check of one mount against the throwaway server of
//     scripts/test-sshd, with --state-dir holding a full window of samples
//     against the same check without it, 60 runs each, interleaved (target:
//     median ratio at most 1.05), and the CPU time of both.
// Prints figures and ratios; exits 1 when the server is not running.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/trend_store.h"
#include "spawn_program.h"
#include "test_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using tavrix::cli::TrendHistory;
using tavrix::cli::TrendKey;
using tavrix::cli::TrendStore;
using tavrix::test::Server;

constexpr std::int64_t kHour = 3600;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the program; `cpuMs` gets the CPU time it used (user and system).
bool RunProgram(std::vector<std::string> args, double& cpuMs) {
    const pid_t pid = SpawnProgram(std::move(args));
    int status = 0;
    rusage usage{};
    const bool ended = pid > 0 && wait4(pid, &status, 0, &usage) == pid;
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    return ended && WIFEXITED(status) && WEXITSTATUS(status) <= 2;
}

// A 20 TB volume filling by a few GB a day, checked every `interval`
// seconds over twice the window: the largest file written.
std::uintmax_t LargestFile(const std::filesystem::path& dir, std::int64_t interval,
                           std::int64_t window, double& microsecondsEach) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir.parent_path());
    std::int64_t now = 1765170000;
    const TrendStore store(
        dir, dir.string(), [&] { return now; }, [](const std::string&) {});
    store.Prepare();
    const TrendKey key{"fileserver-with-a-long-name.example", 22, "monitor",
                       "/srv/exports/projects/archive"};
    const double size = 20e12;
    std::uintmax_t largest = 0;
    int records = 0;
    const auto start = Clock::now();
    for (std::int64_t t = 0; t <= 2 * window; t += interval, now += interval) {
        const double used = 12e12 + 4e9 * static_cast<double>(t) / 86400;
        store.Record(key, size, used, size - used, window);
        ++records;
        largest =
            std::max(largest, std::filesystem::file_size(dir / tavrix::cli::TrendFileName(key)));
    }
    microsecondsEach =
        std::chrono::duration<double, std::micro>(Clock::now() - start).count() / records;
    return largest;
}

std::vector<std::string> CheckArgs() {
    return {TAVRIX_CHECK_PROGRAM,
            "check",
            "-H",
            Server().host,
            "-p",
            std::to_string(Server().port),
            "-l",
            Server().fakeUser,
            "-i",
            Server().Key("ed25519"),
            "--host-key-policy",
            "off",
            "--os",
            "HPUX11",
            "--mount",
            "/",
            "--unit",
            "MB",
            "-w",
            "100",
            "-c",
            "50"};
}

}  // namespace

int main() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tavrix-trend-bench-" + std::to_string(getpid()));

    // 1. The state file's size.
    struct Case {
        std::int64_t interval;
        std::int64_t window;
    };
    std::uintmax_t largest = 0;
    for (const Case& c : {Case{10, 24 * kHour}, Case{60, 24 * kHour}, Case{300, 24 * kHour},
                          Case{kHour, 24 * kHour}, Case{60, 168 * kHour}}) {
        double microseconds = 0;
        const std::uintmax_t bytes = LargestFile(dir / "size", c.interval, c.window, microseconds);
        largest = std::max(largest, bytes);
        std::printf(
            "state file, a check every %lld s, window %lld h: at most %ju bytes, %.0f us to keep "
            "and fit a sample\n",
            static_cast<long long>(c.interval), static_cast<long long>(c.window / kHour), bytes,
            microseconds);
    }
    std::printf("state file: largest %ju bytes (target < 16384)\n", largest);

    // 2. Wall time of a check with a full window against one without.
    if (!Server().running) {
        std::fprintf(stderr, "no test SSH server (scripts/test-sshd start): %s\n",
                     Server().whyNot.c_str());
        std::filesystem::remove_all(dir);
        return 1;
    }
    const std::filesystem::path state = dir / "state";
    std::vector<std::string> withTrend = CheckArgs();
    for (const char* arg : {"--state-dir", "", "--hours-left-warning", "12"}) {
        withTrend.push_back(arg);
    }
    withTrend[withTrend.size() - 3] = state.string();
    // A day of 5-minute checks, as an engine would have left it.
    {
        const TrendKey key{Server().host, Server().port, Server().fakeUser, "/"};
        std::filesystem::create_directories(state);
        TrendHistory history;
        history.size = 1073741824;
        const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
        for (std::int64_t t = now - 24 * kHour + 300; t < now; t += 300) {
            history.samples.push_back({t, 2e8 + static_cast<double>(t - now) * 10, 8e8});
        }
        tavrix::cli::ThinEvenly(history.samples, tavrix::cli::kMaxTrendSamples);
        std::ofstream(state / tavrix::cli::TrendFileName(key), std::ios::binary)
            << tavrix::cli::EncodeTrend(key, history);
    }
    std::vector<double> plain, trend, plainCpu, trendCpu;
    double cpu = 0;
    for (int run = 0; run < 60; ++run) {
        auto start = Clock::now();
        const bool plainOk = RunProgram(CheckArgs(), cpu);
        plainCpu.push_back(cpu);
        plain.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        start = Clock::now();
        const bool trendOk = RunProgram(withTrend, cpu);
        trendCpu.push_back(cpu);
        trend.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!plainOk || !trendOk) {
            std::fprintf(stderr, "a check of tavrix-check did not answer\n");
            std::filesystem::remove_all(dir);
            return 1;
        }
    }
    std::size_t samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(state)) {
        if (entry.path().extension() == ".trend") {
            std::ifstream file(entry.path());
            std::string line;
            while (std::getline(file, line)) {
                samples += line.starts_with("s ");
            }
            std::printf("state file after the runs: %ju bytes, %zu samples\n",
                        static_cast<std::uintmax_t>(entry.file_size()), samples);
        }
    }
    std::printf(
        "check of one mount: median %.1f ms without --state-dir, %.1f ms with a full window; "
        "ratio %.3f (target <= 1.05)\n",
        Median(plain), Median(trend), Median(trend) / Median(plain));
    std::printf("CPU of the check process: median %.1f ms without, %.1f ms with\n",
                Median(plainCpu), Median(trendCpu));
    std::filesystem::remove_all(dir);
    return 0;
}
