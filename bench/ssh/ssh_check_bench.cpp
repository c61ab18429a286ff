// Cost of real checks against the throwaway server of scripts/test-sshd:
//  1. latency of one check against the OpenSSH client doing the same work,
//     20 runs each, interleaved (target: median ratio at most 0.8);
//  2. CPU time of a check whose remote command takes 3 s (target: at most 2 %
//     of its wall time: a spinning wait would burn a whole core);
//  3. 50 checks in one process: CPU per check (target: at most 10 ms) and the
//     growth of the resident memory.
//  4. tavrix-check as a monitoring engine runs it: --all on eight mounts
//     against one mount (target: at most 1.2x) and against eight separate
//     checks of one mount each (target: at most 0.2x), 10 runs each, interleaved.
//  5. inode limits: --all with -W/-K against the same check without them, 10
//     runs each, interleaved: logins per check counted in the server's log
//     (target: 1, no second login) and the wall time (target: at most 1.3x).
// Prints figures and ratios; exits 1 when the server is not running.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "host/check_run.h"
#include "spawn_program.h"
#include "support/base64.h"
#include "test_server.h"
#include "transport/libssh_platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using tavrix::test::Server;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string KeyParameters(const std::string& user, const std::string& mount) {
    return "#ENC=T#USR=" + user + "#PWD=#PROTO=A#PORT=" + std::to_string(Server().port) +
           "#KEYF=" + Server().Key("ed25519") + "#KEYT=RSA#OS=LINUX#BLK=1024#RES=" + mount +
           "#UNIT=GB#COM=1#EOL=LF#RAN=0#";
}

std::string RunCheck(const std::string& parameters) {
    tavrix::CheckObject check;
    check.kx_hostname = Server().host;
    check.kx_timeout = 10.0;
    check.kx_parameter = parameters;
    check.kx_docheck();
    return tavrix::PropertyText(check.kx_result);
}

// Runs a program with its standard output thrown away; true when it exits
// with one of `okCodes`.
bool RunProgram(std::vector<std::string> args, std::initializer_list<int> okCodes) {
    const pid_t pid = SpawnProgram(std::move(args), "/dev/null", ErrorOutput::Kept);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           std::ranges::find(okCodes, WEXITSTATUS(status)) != okCodes.end();
}

// The OpenSSH client logging in with the same key and running df -k /.
bool RunOpenSsh() {
    const std::string port = std::to_string(Server().port);
    const std::string target = Server().user + "@" + Server().host;
    const std::string key = Server().Key("ed25519");
    return RunProgram({"ssh", "-q", "-i", key, "-p", port, "-o", "BatchMode=yes", "-o",
                       "StrictHostKeyChecking=no", "-o", "UserKnownHostsFile=/dev/null", "-F",
                       "/dev/null", target, "df -k /"},
                      {0});
}

// tavrix-check check against the fake user, whose df lists eight mounts.
bool RunPlugin(const std::vector<std::string>& mountOptions, const std::string& key = "ed25519") {
    std::vector<std::string> args = {
        TAVRIX_CHECK_PROGRAM, "check", "-H", Server().host, "-p", std::to_string(Server().port),
        "-l", Server().fakeUser, "-i", Server().Key(key),
        // the throwaway server's key is not measured here
        "--host-key-policy", "off", "--os", "LINUX", "--unit", "GB", "-c", "0"};
    args.insert(args.end(), mountOptions.begin(), mountOptions.end());
    return RunProgram(args, {0});
}

const std::vector<std::string> kEightMounts = {
    "/dev",          "/run", "/", "/dev/shm", "/run/lock", "/boot/efi", "/media/backup disk",
    "/run/user/1000"};

void BenchSeveralMounts() {
    std::vector<double> one, all, eight;
    for (int run = 0; run < 10; ++run) {
        auto start = Clock::now();
        const bool oneOk = RunPlugin({"--mount", "/"});
        one.push_back(Milliseconds(Clock::now() - start));
        start = Clock::now();
        const bool allOk = RunPlugin({"--all"});
        all.push_back(Milliseconds(Clock::now() - start));
        start = Clock::now();
        bool eightOk = true;
        for (const std::string& mount : kEightMounts) {
            eightOk = RunPlugin({"--mount", mount}) && eightOk;
        }
        eight.push_back(Milliseconds(Clock::now() - start));
        if (!oneOk || !allOk || !eightOk) {
            std::fprintf(stderr, "a check of tavrix-check did not answer OK\n");
            std::exit(1);
        }
    }
    std::printf(
        "tavrix-check, 8 mounts: one mount median %.1f ms, --all %.1f ms, 8 separate checks "
        "%.1f ms; --all / one %.2f (target <= 1.2), --all / 8 separate %.2f (target <= 0.2)\n",
        Median(one), Median(all), Median(eight), Median(all) / Median(one),
        Median(all) / Median(eight));
}

// Logins of the fake user with the ECDSA key, which only this part and the
// command-line tests use, as the server's log counts them.
int EcdsaLogins() {
    const std::string log = tavrix::test::ReadFile(Server().stateDir + "/sshd.log");
    const std::string accepted = "Accepted publickey for " + Server().fakeUser + " ";
    int count = 0;
    for (std::size_t at = log.find(accepted); at != std::string::npos;
         at = log.find(accepted, at + 1)) {
        const std::size_t end = std::min(log.find('\n', at), log.size());
        if (std::string_view(log).substr(at, end - at).find("ECDSA") != std::string_view::npos) {
            ++count;
        }
    }
    return count;
}

void BenchInodeLimits() {
    const std::vector<std::string> plain = {"--all"};
    const std::vector<std::string> inodes = {"--all", "-W", "1%", "-K", "0%"};
    std::vector<double> without, with, loginsWithout, loginsWith;
    for (int run = 0; run < 10; ++run) {
        int before = EcdsaLogins();
        auto start = Clock::now();
        const bool plainOk = RunPlugin(plain, "ecdsa");
        without.push_back(Milliseconds(Clock::now() - start));
        loginsWithout.push_back(EcdsaLogins() - before);
        before = EcdsaLogins();
        start = Clock::now();
        const bool inodesOk = RunPlugin(inodes, "ecdsa");
        with.push_back(Milliseconds(Clock::now() - start));
        loginsWith.push_back(EcdsaLogins() - before);
        if (!plainOk || !inodesOk) {
            std::fprintf(stderr, "a check of tavrix-check with or without -W/-K was not OK\n");
            std::exit(1);
        }
    }
    std::printf(
        "inode limits, --all: without %.1f ms, with -W/-K %.1f ms, ratio %.2f (target <= 1.3); "
        "logins per check in the server log: %.0f without, %.0f with (target 1)\n",
        Median(without), Median(with), Median(with) / Median(without), Median(loginsWithout),
        Median(loginsWith));
}

}  // namespace

int main() {
    if (!Server().running) {
        std::fprintf(stderr, "no test SSH server (scripts/test-sshd start): %s\n",
                     Server().whyNot.c_str());
        return 1;
    }
    tavrix::InstallDefaultSshPlatform(tavrix::MakeLibsshPlatform());
    const std::string rootCheck = KeyParameters(Server().user, "/");
    std::printf("one check: %s\n", RunCheck(rootCheck).c_str());

    // 1. Latency, interleaved.
    std::vector<double> ours, openssh;
    for (int run = 0; run < 20; ++run) {
        auto start = Clock::now();
        RunCheck(rootCheck);
        ours.push_back(Milliseconds(Clock::now() - start));
        start = Clock::now();
        if (!RunOpenSsh()) {
            std::fprintf(stderr, "the OpenSSH client failed\n");
            return 1;
        }
        openssh.push_back(Milliseconds(Clock::now() - start));
    }
    const double ratio = Median(ours) / Median(openssh);
    std::printf(
        "latency: check median %.1f ms, OpenSSH client median %.1f ms, ratio %.2f (target <= "
        "0.8)\n",
        Median(ours), Median(openssh), ratio);

    // 2. CPU of a check whose remote command takes 3 s.
    {
        const double cpu = CpuMilliseconds();
        const auto start = Clock::now();
        const std::string text = RunCheck(KeyParameters(Server().fakeUser, "/sleep3"));
        const double wall = Milliseconds(Clock::now() - start);
        const double used = CpuMilliseconds() - cpu;
        std::printf(
            "3 s command: wall %.0f ms, CPU %.1f ms, %.2f %% of wall (target <= 2 %%) [%s]\n", wall,
            used, 100.0 * used / wall, text.c_str());
    }

    // 3. 50 checks: CPU per check, memory growth after a warm-up.
    for (int run = 0; run < 5; ++run) {
        RunCheck(rootCheck);
    }
    const long rssBefore = ResidentKilobytes();
    const double cpu = CpuMilliseconds();
    for (int run = 0; run < 50; ++run) {
        RunCheck(rootCheck);
    }
    const double perCheck = (CpuMilliseconds() - cpu) / 50;
    const long rssAfter = ResidentKilobytes();
    std::printf(
        "50 checks: CPU %.2f ms per check (target <= 10), resident memory %ld kB -> %ld kB (%+ld "
        "kB)\n",
        perCheck, rssBefore, rssAfter, rssAfter - rssBefore);

    // 4. Several mounts in one login.
    BenchSeveralMounts();

    // 5. Inode limits on the same login.
    BenchInodeLimits();
    return 0;
}
