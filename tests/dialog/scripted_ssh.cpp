#include "scripted_ssh.h"

#include <utility>

#include "support/failure.h"

namespace tavrix::dialog_test {

SshStep ConnectedOk() {
    return {SshStep::Kind::Connected, 0, ""};
}
SshStep ConnectFailed(const std::string& errorText) {
    return {SshStep::Kind::Connected, 1, errorText};
}
SshStep Output(const std::string& text) {
    return {SshStep::Kind::Received, 0, text};
}
SshStep Disconnect() {
    return {SshStep::Kind::Disconnected, 0, ""};
}
SshStep OfferHostKey(const std::string& fingerprint) {
    return {SshStep::Kind::HostKey, 0, fingerprint};
}

namespace {

class ScriptedClient : public SshClient {
  public:
    ScriptedClient(ScriptedSshPlatform& platform)
        : platform_(platform), alive_(platform.clientsAlive) {
        ++*alive_;
    }
    ~ScriptedClient() override { --*alive_; }

    void SetNotifications(SshNotifications* sink) override { sink_ = sink; }
    void SetPresetFlag(bool) override {}
    void SetHost(const std::string& host) override { platform_.handedOver.host = host; }
    void SetPresetNumber(int) override {}
    void SetUser(const std::string& user) override { platform_.handedOver.user = user; }
    void SetPassword(const std::string&) override {}
    void SetLoginMethod(int) override {}
    void SetLoginKey(const std::string&) override {}
    void SetCommand(const std::string& command) override { platform_.handedOver.command = command; }
    void SetProtocolChoice(int choice) override { platform_.handedOver.protocolChoice = choice; }
    void SetPort(std::int16_t port) override { platform_.handedOver.port = port; }
    void SetTimeLimit(std::int16_t seconds) override { platform_.handedOver.timeLimit = seconds; }
    void OpenConnection() override {
        if (platform_.openConnectionFailure) {
            throw Failure(*platform_.openConnectionFailure);
        }
        opened_ = true;
    }
    std::string TakeReceived(std::int16_t, int) override { return std::exchange(pending_, {}); }

    // One step per call; a script that runs out ends like a time limit.
    void Process() override {
        if (!opened_ || ended_ || sink_ == nullptr) {
            return;
        }
        if (next_ >= platform_.script.size()) {
            ended_ = true;
            sink_->Disconnected();
            return;
        }
        const SshStep& step = platform_.script[next_++];
        switch (step.kind) {
            case SshStep::Kind::Connected:
                platform_.logins += step.errorCode == 0 ? 1 : 0;
                sink_->Connected(step.errorCode, step.text);
                break;
            case SshStep::Kind::HostKey: {
                bool accept = true;
                sink_->HostFingerprint(step.text, accept);
                if (!accept) {
                    ended_ = true;
                    sink_->Connected(5, "The host key was not accepted");
                    sink_->Disconnected();
                }
                break;
            }
            case SshStep::Kind::Received:
                pending_ = step.text;
                sink_->Received(static_cast<std::int16_t>(step.text.size()));
                break;
            case SshStep::Kind::Disconnected:
                ended_ = true;
                sink_->Disconnected();
                break;
        }
    }
    SshWaitHint WaitHint() const override { return {}; }
    bool Ended() const override { return ended_; }

  private:
    ScriptedSshPlatform& platform_;
    std::shared_ptr<int> alive_;
    SshNotifications* sink_ = nullptr;
    std::size_t next_ = 0;
    std::string pending_;
    bool opened_ = false;
    bool ended_ = false;
};

class ScriptedKey : public SshKey {
  public:
    explicit ScriptedKey(const std::optional<std::string>& failure) : failure_(failure) {}
    void LoadKeyFile(const std::string&, const std::optional<std::string>&) override {
        if (failure_) {
            throw Failure(*failure_);
        }
    }
    std::string ExportKey(int) override { return "key"; }

  private:
    std::optional<std::string> failure_;
};

}  // namespace

std::unique_ptr<SshClient> ScriptedSshPlatform::CreateClient() {
    ++clientsCreated;
    return std::make_unique<ScriptedClient>(*this);
}

std::unique_ptr<SshKey> ScriptedSshPlatform::CreateKey() {
    return std::make_unique<ScriptedKey>(keyFileFailure);
}

void ScriptedSshPlatform::WaitAndProcess(SshClient& client,
                                         std::chrono::steady_clock::time_point /*until*/) {
    if (duringWait) {
        auto user = std::move(duringWait);
        duringWait = nullptr;
        user();
    }
    client.Process();
}

}  // namespace tavrix::dialog_test
