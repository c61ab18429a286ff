// Many checks of one server at once, as a monitoring engine starts them,
// against a server of our own with OpenSSH's default MaxStartups (10:30:100),
// which sheds connections that have not logged in yet:
//  1. 50 and 100 simultaneous tavrix-check processes (-t 20) next to as many
//     OpenSSH clients doing the same work, both in the same run: the share of
//     right answers of each, side by side (target for ours: 100 %);
//  2. the median wall time of one check without load (a retry must
//     cost nothing when nothing is shed), 40 runs; with TAVRIX_BASELINE_CHECK naming
//     another build of tavrix-check, runs of both interleaved and their ratio
//     (target: 0.95 to 1.05).
// Prints figures and ratios; exits 1 when the test server is not running.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "extra_sshd.h"
#include "spawn_program.h"
#include "test_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using tavrix::test::Server;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Starts a program with its standard output and error in `output`.
pid_t Start(std::vector<std::string> args, const std::string& output) {
    return SpawnProgram(std::move(args), output.c_str());
}

struct Batch {
    int right = 0;
    int total = 0;
    double slowest = 0;  // seconds, from the first start to the last end
    std::string aFailure;
};

class LoadBench {
  public:
    LoadBench(const tavrix::test::ExtraSshd& server, std::string dir)
        : server_(server), dir_(std::move(dir)) {}

    std::vector<std::string> Ours(const std::string& program = TAVRIX_CHECK_PROGRAM) const {
        return {program,     "check",
                "-H",        Server().host,
                "-p",        std::to_string(server_.Port()),
                "-l",        Server().user,
                "-i",        Server().Key("ed25519"),
                "--hostkey", server_.Fingerprint("ed25519"),
                "--os",      "LINUX",
                "--mount",   "/",
                "--unit",    "GB",
                "-c",        "0",
                "-t",        "20"};
    }

    std::vector<std::string> OpenSsh() const {
        return {"ssh",
                "-i",
                Server().Key("ed25519"),
                "-p",
                std::to_string(server_.Port()),
                "-F",
                "/dev/null",
                "-o",
                "BatchMode=yes",
                "-o",
                "StrictHostKeyChecking=no",
                "-o",
                "UserKnownHostsFile=/dev/null",
                "-o",
                "LogLevel=ERROR",
                "-o",
                "ConnectTimeout=20",
                Server().user + "@" + Server().host,
                "df -k /"};
    }

    // `count` copies of the command, started one right after the other; right
    // means exit status 0.
    Batch Run(const std::vector<std::string>& command, int count) const {
        Batch batch;
        batch.total = count;
        std::vector<pid_t> pids;
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            pids.push_back(Start(command, Output(i)));
        }
        for (int i = 0; i < count; ++i) {
            int status = 0;
            if (pids[i] > 0 && waitpid(pids[i], &status, 0) == pids[i] && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0) {
                ++batch.right;
            } else if (batch.aFailure.empty()) {
                batch.aFailure = tavrix::test::ReadFile(Output(i));
            }
        }
        batch.slowest = Seconds(Clock::now() - start);
        return batch;
    }

  private:
    std::string Output(int i) const { return dir_ + "/" + std::to_string(i) + ".out"; }

    const tavrix::test::ExtraSshd& server_;
    std::string dir_;
};

void Report(int count, const Batch& ours, const Batch& openssh) {
    std::printf(
        "%3d at once: tavrix-check %d/%d right (%.1f %%, all done in %.1f s; target 100 %%), "
        "OpenSSH client %d/%d right (%.1f %%, %.1f s)\n",
        count, ours.right, ours.total, 100.0 * ours.right / ours.total, ours.slowest, openssh.right,
        openssh.total, 100.0 * openssh.right / openssh.total, openssh.slowest);
    if (!ours.aFailure.empty()) {
        std::printf("    a failed check of ours: %s", ours.aFailure.c_str());
    }
    if (!openssh.aFailure.empty()) {
        std::printf("    a failed OpenSSH client: %s", openssh.aFailure.c_str());
    }
}

}  // namespace

int main() {
    if (!Server().running) {
        std::fprintf(stderr, "no test SSH server (scripts/test-sshd start): %s\n",
                     Server().whyNot.c_str());
        return 1;
    }
    const tavrix::test::ExtraSshd server({"ed25519"}, 0, {"MaxStartups 10:30:100"});
    if (!server.Running()) {
        std::fprintf(stderr, "%s\n", server.WhyNot().c_str());
        return 1;
    }
    char pattern[] = "/tmp/tavrix-load-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return 1;
    }
    const std::string dir = pattern;
    const LoadBench bench(server, dir);

    // 1. Under load; a pause between batches lets the server forget the last.
    for (const int count : {50, 100}) {
        const Batch ours = bench.Run(bench.Ours(), count);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const Batch openssh = bench.Run(bench.OpenSsh(), count);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        Report(count, ours, openssh);
    }

    // 2. One check at a time.
    const char* baseline = std::getenv("TAVRIX_BASELINE_CHECK");
    std::vector<double> single, before;
    const auto timeOne = [&](const std::vector<std::string>& command, std::vector<double>& into) {
        const auto start = Clock::now();
        const Batch one = bench.Run(command, 1);
        into.push_back(Seconds(Clock::now() - start) * 1000);
        if (one.right != 1) {
            std::fprintf(stderr, "a check without load failed: %s", one.aFailure.c_str());
            std::exit(1);
        }
    };
    for (int run = 0; run < 40; ++run) {
        timeOne(bench.Ours(), single);
        if (baseline != nullptr) {
            timeOne(bench.Ours(baseline), before);
        }
    }
    std::printf("one check without load: median %.1f ms over 40 runs\n", Median(single));
    if (baseline != nullptr) {
        std::printf("  baseline %s: median %.1f ms, ratio %.3f (target 0.95 to 1.05)\n", baseline,
                    Median(before), Median(single) / Median(before));
    }
    tavrix::test::RunHere("rm -rf " + dir);
    return 0;
}
