// Cost of the old algorithms on the monitoring host: the SSH handshake (TCP,
// banners, key exchange, host key) and a whole password check, wall and CPU
// time of this process, against the modern main server of scripts/test-sshd
// and its all_old profile (DH group 1, 3DES-CBC, HMAC-SHA1, DSA host key,
// keyboard-interactive), 20 runs each, interleaved. Prints medians and
// ratios; exits 1 when the servers are not running.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "query/ssh_client.h"
#include "test_server.h"
#include "transport/libssh_platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using tavrix::test::Server;

double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Ends the attempt right after the key exchange when asked to, by refusing
// the encryption: what remains is the handshake alone.
class Sink : public tavrix::SshNotifications {
  public:
    explicit Sink(bool handshakeOnly) : handshakeOnly_(handshakeOnly) {}
    void Connected(std::int16_t code, const std::string& text) override {
        if (code != 0 && !handshakeOnly_) {
            failure = text;
        }
    }
    void CryptoInformation(const std::string&, const std::string&, const std::string& scCipher,
                           const std::string&, const std::string& keys, bool& accept) override {
        algorithms = keys + ", " + scCipher;
        handshakeDone = true;
        accept = !handshakeOnly_;
    }
    void HostFingerprint(const std::string&, bool&) override {}
    void Received(std::int16_t) override {}
    void Disconnected() override {}

    bool handshakeDone = false;
    std::string algorithms;
    std::string failure;

  private:
    bool handshakeOnly_;
};

struct Sample {
    double wall = 0;
    double cpu = 0;
    bool ok = false;
    std::string algorithms;
};

Sample Run(tavrix::SshPlatform& platform, int port, bool handshakeOnly) {
    auto client = platform.CreateClient();
    Sink sink(handshakeOnly);
    client->SetNotifications(&sink);
    client->SetHost(Server().host);
    client->SetPort(static_cast<std::int16_t>(port));
    client->SetUser(Server().user);
    client->SetPassword(Server().password);
    client->SetCommand("df -k /;exit");
    client->SetTimeLimit(20);
    const double cpu = CpuMilliseconds();
    const auto start = Clock::now();
    client->OpenConnection();
    while (!client->Ended()) {
        platform.WaitAndProcess(*client, Clock::now() + std::chrono::seconds(1));
    }
    Sample sample;
    sample.wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    sample.cpu = CpuMilliseconds() - cpu;
    sample.ok = sink.handshakeDone && sink.failure.empty();
    sample.algorithms = sink.algorithms;
    return sample;
}

}  // namespace

int main() {
    const int modernPort = Server().port;
    const int oldPort = Server().ProfilePort("all_old");
    if (!Server().running || oldPort == 0) {
        std::fprintf(stderr, "needs scripts/test-sshd start (with its profile all_old)\n");
        return 1;
    }
    auto platform = tavrix::MakeLibsshPlatform();
    for (const bool handshakeOnly : {true, false}) {
        std::vector<double> modernWall, modernCpu, oldWall, oldCpu;
        std::string modernAlgorithms, oldAlgorithms;
        for (int run = 0; run < 20; ++run) {
            const Sample modern = Run(*platform, modernPort, handshakeOnly);
            const Sample old = Run(*platform, oldPort, handshakeOnly);
            if (!modern.ok || !old.ok) {
                std::fprintf(stderr, "an attempt failed\n");
                return 1;
            }
            modernWall.push_back(modern.wall);
            modernCpu.push_back(modern.cpu);
            oldWall.push_back(old.wall);
            oldCpu.push_back(old.cpu);
            modernAlgorithms = modern.algorithms;
            oldAlgorithms = old.algorithms;
        }
        const char* what = handshakeOnly ? "handshake" : "password check with df";
        if (handshakeOnly) {
            std::printf("modern: %s\nall old: %s\n", modernAlgorithms.c_str(),
                        oldAlgorithms.c_str());
        }
        std::printf(
            "%s, median of 20: modern %.1f ms wall, %.2f ms CPU; all old %.1f ms wall, "
            "%.2f ms CPU; old/modern: wall %.2f, CPU %.2f\n",
            what, Median(modernWall), Median(modernCpu), Median(oldWall), Median(oldCpu),
            Median(oldWall) / Median(modernWall), Median(oldCpu) / Median(modernCpu));
    }
    return 0;
}
