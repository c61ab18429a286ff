#pragma once
// A scripted SSH platform for tests: each client it creates plays the next
// script, one step per Process(), and logs every call made on it.

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "query/ssh_client.h"
#include "support/failure.h"

namespace tavrix::testing {

struct FakeStep {
    enum class Kind { Connected, Received, Disconnected, HostKey };
    Kind kind;
    std::int16_t code = 0;
    std::string text;
};

inline FakeStep Connect(std::int16_t code = 0, std::string text = {}) {
    return {FakeStep::Kind::Connected, code, std::move(text)};
}
inline FakeStep Output(std::string text) {
    return {FakeStep::Kind::Received, 0, std::move(text)};
}
inline FakeStep Disconnect() {
    return {FakeStep::Kind::Disconnected, 0, {}};
}
// The server's host key, offered to HostFingerprint. A handler that refuses
// it ends the session the way the transport does, before any login.
inline FakeStep OfferHostKey(std::string fingerprint) {
    return {FakeStep::Kind::HostKey, 0, std::move(fingerprint)};
}

// A whole session: connected, the output in the given pieces, disconnected.
inline std::vector<FakeStep> Session(const std::vector<std::string>& pieces) {
    std::vector<FakeStep> steps{Connect()};
    for (const std::string& piece : pieces) {
        steps.push_back(Output(piece));
    }
    steps.push_back(Disconnect());
    return steps;
}

struct FakeClientLog {
    std::vector<std::string> calls;
    bool destroyed = false;
};

enum class StallMode {
    Block,  // a session that never ends: waits as a real poll would
    Spin,   // a broken transport: returns at once without doing anything
};

class FakeClient : public SshClient {
  public:
    FakeClient(std::shared_ptr<FakeClientLog> log, std::vector<FakeStep> steps,
               std::optional<std::string> openFailure)
        : log_(std::move(log)),
          steps_(steps.begin(), steps.end()),
          openFailure_(std::move(openFailure)) {}
    ~FakeClient() override { log_->destroyed = true; }

    void SetNotifications(SshNotifications* sink) override { sink_ = sink; }
    void SetPresetFlag(bool flag) override { Log("SetPresetFlag " + std::to_string(flag)); }
    void SetHost(const std::string& host) override { Log("SetHost " + host); }
    void SetPresetNumber(int number) override { Log("SetPresetNumber " + std::to_string(number)); }
    void SetUser(const std::string& user) override { Log("SetUser " + user); }
    void SetPassword(const std::string& password) override { Log("SetPassword " + password); }
    void SetLoginMethod(int method) override { Log("SetLoginMethod " + std::to_string(method)); }
    void SetLoginKey(const std::string& key) override { Log("SetLoginKey " + key); }
    void SetCommand(const std::string& command) override { Log("SetCommand " + command); }
    void SetProtocolChoice(int choice) override {
        Log("SetProtocolChoice " + std::to_string(choice));
    }
    void SetPort(std::int16_t port) override { Log("SetPort " + std::to_string(port)); }
    void SetTimeLimit(std::int16_t seconds) override {
        Log("SetTimeLimit " + std::to_string(seconds));
    }
    void PreferHostKeyType(const std::string& keyType) override {
        Log("PreferHostKeyType " + keyType);
    }
    void OpenConnection() override {
        Log("OpenConnection");
        if (openFailure_) {
            throw Failure(*openFailure_);
        }
        opened_ = true;
    }
    std::string TakeReceived(std::int16_t byteCount, int format) override {
        if (format != 8 || byteCount != static_cast<std::int16_t>(received_.size())) {
            throw Failure("TakeReceived called with the wrong arguments");
        }
        return std::move(received_);
    }
    void Process() override {
        if (!opened_ || ended_ || steps_.empty()) {
            return;
        }
        const FakeStep step = steps_.front();
        steps_.pop_front();
        switch (step.kind) {
            case FakeStep::Kind::Connected:
                sink_->Connected(step.code, step.text);
                break;
            case FakeStep::Kind::Received:
                received_ = step.text;
                sink_->Received(static_cast<std::int16_t>(received_.size()));
                break;
            case FakeStep::Kind::Disconnected:
                ended_ = true;
                sink_->Disconnected();
                break;
            case FakeStep::Kind::HostKey: {
                bool accept = true;
                sink_->HostFingerprint(step.text, accept);
                if (!accept) {
                    Log("host key refused");
                    steps_ = {Connect(5, "The host key was not accepted"), Disconnect()};
                }
                break;
            }
        }
    }
    SshWaitHint WaitHint() const override { return {}; }
    bool Ended() const override { return ended_; }
    bool Stalled() const { return steps_.empty() && !ended_; }

  private:
    void Log(std::string call) { log_->calls.push_back(std::move(call)); }

    std::shared_ptr<FakeClientLog> log_;
    std::deque<FakeStep> steps_;
    std::optional<std::string> openFailure_;
    SshNotifications* sink_ = nullptr;
    std::string received_;
    bool opened_ = false;
    bool ended_ = false;
};

class FakeKey : public SshKey {
  public:
    FakeKey(std::shared_ptr<FakeClientLog> log, std::optional<std::string> loadFailure)
        : log_(std::move(log)), loadFailure_(std::move(loadFailure)) {}
    void LoadKeyFile(const std::string& path,
                     const std::optional<std::string>& passphrase) override {
        log_->calls.push_back("LoadKeyFile " + path + (passphrase ? " with " + *passphrase : ""));
        if (loadFailure_) {
            throw Failure(*loadFailure_);
        }
    }
    std::string ExportKey(int keyTypeIndex) override {
        log_->calls.push_back("ExportKey " + std::to_string(keyTypeIndex));
        return "KEY" + std::to_string(keyTypeIndex);
    }

  private:
    std::shared_ptr<FakeClientLog> log_;
    std::optional<std::string> loadFailure_;
};

class FakePlatform : public SshPlatform {
  public:
    // The sessions that the next clients play, in order; later clients replay the last.
    std::vector<std::vector<FakeStep>> sessions;
    std::optional<std::string> openFailure;
    std::optional<std::string> keyFailure;
    StallMode stall = StallMode::Block;
    std::vector<std::shared_ptr<FakeClientLog>> logs;  // one per client created
    int waits = 0;

    std::unique_ptr<SshClient> CreateClient() override {
        logs.push_back(std::make_shared<FakeClientLog>());
        const std::size_t index = std::min(logs.size() - 1, sessions.size() - 1);
        return std::make_unique<FakeClient>(
            logs.back(), sessions.empty() ? std::vector<FakeStep>{} : sessions[index], openFailure);
    }
    std::unique_ptr<SshKey> CreateKey() override {
        return std::make_unique<FakeKey>(logs.back(), keyFailure);
    }
    void WaitAndProcess(SshClient& client, std::chrono::steady_clock::time_point until) override {
        ++waits;
        auto& fake = static_cast<FakeClient&>(client);
        if (fake.Stalled()) {
            if (stall == StallMode::Spin) {
                return;
            }
            std::this_thread::sleep_until(until);
        }
        fake.Process();
    }
    const std::vector<std::string>& LastCalls() const { return logs.back()->calls; }
};

}  // namespace tavrix::testing
