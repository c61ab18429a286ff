// --persist against the throwaway server of scripts/test-sshd, key login, as
// a monitoring engine runs the plugin (one process per check):
//  1. the median wall time of 20 sequential checks with --persist 60 against
//     the OpenSSH client with ControlMaster=auto ControlPersist=60 running
//     df -k / (target: at most 1.0x) and against the same check without
//     --persist (target: at most 0.3x), interleaved, each warmed up once;
//  2. the holder's resident memory after 100 and after 1,000 checks (target:
//     flat, at most 1 MB more).
// Prints figures and ratios; exits 1 when the server is not running.

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "spawn_program.h"
#include "test_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using tavrix::test::Server;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs a program with its output thrown away; the wall time in ms, or -1
// when it did not exit with 0.
double Timed(std::vector<std::string> args) {
    const auto start = Clock::now();
    const pid_t pid = SpawnProgram(std::move(args));
    int status = 0;
    const bool ok =
        pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ok ? std::chrono::duration<double, std::milli>(Clock::now() - start).count() : -1;
}

std::vector<std::string> Check(int persist) {
    return {TAVRIX_CHECK_PROGRAM,
            "check",
            "-H",
            Server().host,
            "-p",
            std::to_string(Server().port),
            "-l",
            Server().user,
            "-i",
            Server().Key("ed25519"),
            "--host-key-policy",
            "off",
            "--os",
            "LINUX",
            "--mount",
            "/",
            "--unit",
            "MB",
            "-w",
            "1",
            "--persist",
            std::to_string(persist)};
}

std::vector<std::string> OpenSsh(const std::string& controlPath) {
    return {"ssh",
            "-q",
            "-i",
            Server().Key("ed25519"),
            "-p",
            std::to_string(Server().port),
            "-o",
            "BatchMode=yes",
            "-o",
            "StrictHostKeyChecking=no",
            "-o",
            "UserKnownHostsFile=/dev/null",
            "-F",
            "/dev/null",
            "-o",
            "ControlMaster=auto",
            "-o",
            "ControlPersist=60",
            "-o",
            "ControlPath=" + controlPath,
            Server().user + "@" + Server().host,
            "df -k /"};
}

int HolderPid() {
    const std::string list =
        tavrix::test::RunHere(std::string(TAVRIX_CHECK_PROGRAM) + " persist --list");
    const auto at = list.rfind("process ");
    return at == std::string::npos ? 0 : std::atoi(list.c_str() + at + 8);
}

long ResidentKilobytes(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

}  // namespace

int main() {
    if (!Server().running) {
        std::fprintf(stderr, "no test SSH server (scripts/test-sshd start): %s\n",
                     Server().whyNot.c_str());
        return 1;
    }
    char pattern[] = "/tmp/tavrix-persist-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        Fail("no temporary directory");
    }
    const std::string dir = pattern;
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);  // holders of this run only
    const std::string control = dir + "/openssh-master";

    // Warm-ups: the holder and the OpenSSH master are in place before timing.
    if (Timed(Check(60)) < 0 || Timed(OpenSsh(control)) < 0) {
        Fail("a warm-up check failed");
    }
    std::vector<double> held, master, plain;
    for (int run = 0; run < 20; ++run) {
        held.push_back(Timed(Check(60)));
        master.push_back(Timed(OpenSsh(control)));
        plain.push_back(Timed(Check(0)));
        if (held.back() < 0 || master.back() < 0 || plain.back() < 0) {
            Fail("a check did not answer OK");
        }
    }
    std::printf(
        "20 sequential checks, median: --persist 60 %.1f ms, OpenSSH ControlPersist %.1f ms, "
        "without --persist %.1f ms; persist / ControlPersist %.2f (target <= 1.0), "
        "persist / without %.2f (target <= 0.3)\n",
        Median(held), Median(master), Median(plain), Median(held) / Median(master),
        Median(held) / Median(plain));

    const int holder = HolderPid();
    if (holder == 0) {
        Fail("no holder");
    }
    long after100 = 0;
    for (int request = 1; request <= 1000; ++request) {
        if (Timed(Check(60)) < 0) {
            Fail("a check on the held session failed");
        }
        if (request == 100) {
            after100 = ResidentKilobytes(holder);
        }
    }
    const long after1000 = ResidentKilobytes(holder);
    std::printf(
        "holder resident memory: %ld KB after 100 checks, %ld KB after 1,000; growth %ld KB "
        "(target <= 1024)\n",
        after100, after1000, after1000 - after100);
    if (HolderPid() != holder) {
        Fail("the holder changed during the run");
    }
    tavrix::test::RunHere(std::string(TAVRIX_CHECK_PROGRAM) + " persist --stop");
    tavrix::test::RunHere("ssh -O exit -o ControlPath=" + control + " -F /dev/null x 2>/dev/null");
    tavrix::test::RunHere("rm -rf " + dir);
    return 0;
}
