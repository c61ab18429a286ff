#include "transport/libssh_platform.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <utility>

#include "transport/libssh_client.h"
#include "transport/libssh_key.h"
#include "transport/libssh_library.h"
#include "transport/net_socket.h"

namespace tavrix {

namespace {

class LibsshPlatform : public SshPlatform {
  public:
    LibsshPlatform(libssh::KnownHostsCheck knownHosts, libssh::AlgorithmPolicy policy)
        : knownHosts_(std::move(knownHosts)), policy_(policy) {
        libssh::EnsureLibrary();
    }

    std::unique_ptr<SshClient> CreateClient() override {
        auto client = std::make_unique<libssh::LibsshClient>(policy_);
        client->SetKnownHostsCheck(knownHosts_);
        return client;
    }

    std::unique_ptr<SshKey> CreateKey() override { return std::make_unique<libssh::LibsshKey>(); }

    void WaitAndProcess(SshClient& client, std::chrono::steady_clock::time_point until) override {
        if (client.Ended()) {
            return;
        }
        const SshWaitHint hint = client.WaitHint();
        const net::NativeSocket socket = hint.socket;
        const bool wantRead = hint.wantRead;
        const bool wantWrite = hint.wantWrite;
        const auto wake = hint.wakeAt < until ? hint.wakeAt : until;
        const auto now = std::chrono::steady_clock::now();
        if (wake > now) {
            // Rounded up, so that the wait never ends just before its moment.
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
            const int timeoutMs = static_cast<int>(std::min<long long>(ms, INT_MAX));
            net::WaitForSocket(socket, wantRead, wantWrite, timeoutMs);
        }
        client.Process();
    }

  private:
    libssh::KnownHostsCheck knownHosts_;
    libssh::AlgorithmPolicy policy_;
};

}  // namespace

std::shared_ptr<SshPlatform> MakeLibsshPlatform() {
    return std::make_shared<LibsshPlatform>(libssh::KnownHostsCheck{},
                                            libssh::AlgorithmPolicy::kCompatible);
}

std::shared_ptr<SshPlatform> MakeLibsshPlatform(libssh::KnownHostsCheck knownHosts,
                                                libssh::AlgorithmPolicy policy) {
    return std::make_shared<LibsshPlatform>(std::move(knownHosts), policy);
}

}  // namespace tavrix
