#include "transport/host_key_probe.h"

#include "support/failure.h"
#include "transport/libssh_client.h"
#include "transport/libssh_platform.h"

namespace tavrix::libssh {

namespace {

// Takes the fingerprint and refuses the key, which ends the attempt before the
// login.
class ProbeSink : public SshNotifications {
  public:
    void Connected(std::int16_t errorCode, const std::string& errorText) override {
        if (errorCode != 0 && fingerprint.empty()) {
            failure = errorText;
        }
    }
    void CryptoInformation(const std::string&, const std::string&, const std::string&,
                           const std::string&, const std::string&, bool&) override {}
    void HostFingerprint(const std::string& offered, bool& accept) override {
        fingerprint = offered;
        accept = false;
    }
    void Received(std::int16_t) override {}
    void Disconnected() override {}

    std::string fingerprint;
    std::string failure;
};

}  // namespace

ProbedHostKey ProbeHostKey(const std::string& host, int port, std::chrono::seconds limit) {
    const auto platform = MakeLibsshPlatform();
    LibsshClient client;
    ProbeSink sink;
    client.SetNotifications(&sink);
    client.SetHost(host);
    client.SetPort(static_cast<std::int16_t>(port));
    client.SetUser("hostkey-probe");  // required to start; never sent
    client.SetPassword("");
    client.SetTimeLimit(static_cast<std::int16_t>(limit.count()));
    client.OpenConnection();
    const auto stop = std::chrono::steady_clock::now() + limit + std::chrono::seconds(3);
    while (!client.Ended() && std::chrono::steady_clock::now() < stop) {
        platform->WaitAndProcess(client, stop);
    }
    if (sink.fingerprint.empty()) {
        throw Failure(sink.failure.empty() ? "No host key from " + host : sink.failure);
    }
    return {sink.fingerprint, client.ServerKnownHostsLine()};
}

}  // namespace tavrix::libssh
