#pragma once
// The SshClient of a check with --persist. It asks the holder of a session
// of the same host, port and user to run the command on a new channel; the
// holder serves it only when the digest of the login and host-key settings
// is the one that opened its session. The whole output is kept until the
// holder reports the command's end, and only then delivered, so that any
// failure of the held session (no holder, a dead one, another login, a
// session that breaks mid-request, no answer within half the time limit)
// turns into a login of the check's own, within what is left of its time
// limit, and the caller sees one attempt only. A login of its own that ends
// well keeps its session open for a new holder (session_holder.h).

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "query/ssh_client.h"
#include "transport/known_hosts.h"
#include "transport/libssh_client.h"
#include "transport/libssh_session.h"
#include "transport/net_socket.h"
#include "transport/ssh_algorithms.h"

namespace tavrix::persist {

// The settings of one command-line run with --persist, and what it leaves.
struct PersistContext {
    int persistSeconds = 0;
    std::string pin;  // the pinned host key, normalized; empty without a pin
    libssh::KnownHostsCheck knownHosts;
    libssh::AlgorithmPolicy policy = libssh::AlgorithmPolicy::kCompatible;

    // After a login of its own that ended well: the session for a holder.
    std::unique_ptr<libssh::LibsshSession> keptSession;
    std::string keptDigest;
    std::string host;
    int port = 22;
    std::string user;
};

class HeldClient : public SshClient {
  public:
    HeldClient(std::shared_ptr<PersistContext> context,
               std::unique_ptr<libssh::LibsshClient> direct);
    ~HeldClient() override;
    HeldClient(const HeldClient&) = delete;
    HeldClient& operator=(const HeldClient&) = delete;

    void SetNotifications(SshNotifications* sink) override;
    void SetPresetFlag(bool flag) override;
    void SetHost(const std::string& host) override;
    void SetPresetNumber(int number) override;
    void SetUser(const std::string& user) override;
    void SetPassword(const std::string& password) override;
    void SetLoginMethod(int method) override;
    void SetLoginKey(const std::string& key) override;
    void SetCommand(const std::string& command) override;
    void SetProtocolChoice(int choice) override;
    void SetPort(std::int16_t port) override;
    void SetTimeLimit(std::int16_t seconds) override;
    void PreferHostKeyType(const std::string& keyType) override;

    void OpenConnection() override;
    std::string TakeReceived(std::int16_t byteCount, int format) override;
    void Process() override;
    SshWaitHint WaitHint() const override;
    bool Ended() const override;

  private:
    using Clock = std::chrono::steady_clock;
    enum class Mode { kIdle, kHeld, kDirect, kEnded };

    std::string Digest() const;
    bool Shareable() const;
    bool StartHeld();
    void ProcessHeld();
    bool HandleFrame(char type, const std::string& payload);
    void FallBack(const std::string& why);
    void Deliver();
    void EndWith(std::int16_t code, const std::string& text);
    void KeepDirectSession();

    std::shared_ptr<PersistContext> context_;
    std::unique_ptr<libssh::LibsshClient> direct_;
    SshNotifications* sink_ = nullptr;

    // the settings that decide whether a held session may serve
    std::string host_;
    int port_ = 22;
    std::string user_;
    std::string password_;
    int loginMethod_ = 0;
    std::string loginKeyId_;  // the public half of the login key
    std::string command_;
    int protocolChoice_ = kProtocolEither;
    int timeLimitSeconds_ = 60;

    Mode mode_ = Mode::kIdle;
    Clock::time_point started_{};
    Clock::time_point deadline_{};
    Clock::time_point heldDeadline_{};
    net::Socket holder_;
    std::string outgoing_;
    std::string incoming_;
    bool accepted_ = false;
    std::string protocol_, remoteName_, scCipher_, csCipher_, keys_, fingerprint_;
    std::string output_;    // the held command's output, kept until its end
    std::string received_;  // announced by Received, not yet taken
};

}  // namespace tavrix::persist
