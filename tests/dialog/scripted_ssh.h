#pragma once
// An SSH platform for the mount picker's tests: its clients play a script of
// notifications, one per wait, and record what the query handed over.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "query/ssh_client.h"

namespace tavrix::dialog_test {

struct SshStep {
    enum class Kind { Connected, Received, Disconnected, HostKey } kind;
    std::int16_t errorCode = 0;
    std::string text;  // the error text of Connected, the output of Received
};

SshStep ConnectedOk();
SshStep ConnectFailed(const std::string& errorText);
SshStep Output(const std::string& text);
SshStep Disconnect();
// The server's host key; refused, it ends the session before the login.
SshStep OfferHostKey(const std::string& fingerprint);

// What the last client was given.
struct HandedOver {
    std::string host;
    std::string user;
    std::optional<std::string> command;
    std::int16_t port = -1;
    std::int16_t timeLimit = -1;
    int protocolChoice = -1;
};

class ScriptedSshPlatform : public SshPlatform {
  public:
    std::vector<SshStep> script;
    std::optional<std::string> openConnectionFailure;
    std::optional<std::string> keyFileFailure;
    // Runs at the first wait, as a user acting while the dialog pumps messages.
    std::function<void()> duringWait;

    int clientsCreated = 0;
    int logins = 0;  // successful Connected steps played: the login went out
    std::shared_ptr<int> clientsAlive = std::make_shared<int>(0);
    HandedOver handedOver;

    std::unique_ptr<SshClient> CreateClient() override;
    std::unique_ptr<SshKey> CreateKey() override;
    void WaitAndProcess(SshClient& client, std::chrono::steady_clock::time_point until) override;
};

}  // namespace tavrix::dialog_test
