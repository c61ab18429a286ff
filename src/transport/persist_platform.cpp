#include "transport/persist_platform.h"

#include <poll.h>

#include <chrono>
#include <utility>

#include "transport/libssh_client.h"
#include "transport/libssh_key.h"
#include "transport/libssh_platform.h"
#include "transport/persist_paths.h"
#include "transport/persist_protocol.h"
#include "transport/persist_socket.h"
#include "transport/session_holder.h"

namespace tavrix::persist {

namespace {

class PersistPlatform : public SshPlatform {
  public:
    explicit PersistPlatform(std::shared_ptr<PersistContext> context)
        : context_(std::move(context)),
          inner_(MakeLibsshPlatform(context_->knownHosts, context_->policy)) {}

    std::unique_ptr<SshClient> CreateClient() override {
        auto direct = std::make_unique<libssh::LibsshClient>(context_->policy);
        direct->SetKnownHostsCheck(context_->knownHosts);
        return std::make_unique<HeldClient>(context_, std::move(direct));
    }
    std::unique_ptr<SshKey> CreateKey() override { return inner_->CreateKey(); }
    void WaitAndProcess(SshClient& client, std::chrono::steady_clock::time_point until) override {
        inner_->WaitAndProcess(client, until);
    }

    PersistContext& Context() { return *context_; }

  private:
    std::shared_ptr<PersistContext> context_;
    std::shared_ptr<SshPlatform> inner_;
};

std::shared_ptr<PersistContext>& InstalledContext() {
    static std::shared_ptr<PersistContext> context;
    return context;
}

// One request and its one answer, within two seconds.
std::optional<Frame> Exchange(const std::string& path, const std::string& request) {
    net::Socket socket = ConnectToHolder(path);
    if (!socket.Valid()) {
        return std::nullopt;
    }
    const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::string out = request;
    std::string in;
    while (std::chrono::steady_clock::now() < stop) {
        if (!out.empty()) {
            const long sent = SendSome(socket, out);
            if (sent < 0) {
                return std::nullopt;
            }
            out.erase(0, static_cast<std::size_t>(sent));
        }
        pollfd fd{static_cast<int>(socket.Get()),
                  static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0};
        poll(&fd, 1, 100);
        const long got = ReceiveSome(socket, in);
        if (std::optional<Frame> frame = TakeFrame(in)) {
            return frame;
        }
        if (got == 0 || got == -1) {
            return Frame{};  // answered by closing (quit)
        }
    }
    return std::nullopt;
}

std::string SocketOf(const HolderStatus& status) {
    return HolderDirectory() + "/" +
           HolderName(status.host, static_cast<int>(status.port), status.user) + ".sock";
}

}  // namespace

void InstallPersistPlatform(std::shared_ptr<PersistContext> context) {
    InstalledContext() = context;
    InstallDefaultSshPlatform(std::make_shared<PersistPlatform>(std::move(context)));
}

void LeaveHolderForRun() {
    if (const std::shared_ptr<PersistContext>& context = InstalledContext()) {
        LeaveHolder(*context);
    }
}

std::vector<HolderStatus> ListHolders() {
    std::vector<HolderStatus> holders;
    for (const std::string& path : HolderSockets(HolderDirectory())) {
        const std::optional<Frame> answer = Exchange(path, EncodeFrame(kList, ""));
        if (answer && answer->type == kStatus) {
            holders.push_back(DecodeStatus(answer->payload));
        }
    }
    return holders;
}

bool StopHolder(const HolderStatus& status) {
    return Exchange(SocketOf(status), EncodeFrame(kQuit, "")).has_value();
}

}  // namespace tavrix::persist
