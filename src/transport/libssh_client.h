#pragma once
// SshClient on libssh 0.10, driven as a non-blocking state machine over the
// session (libssh_session.h) and the command (libssh_command.h):
//
//   start → resolving → TCP connecting → SSH handshake → login → open channel
//         → exec → reading → ended
//
// Process() does whatever is ready and never blocks; WaitHint() says what it
// waits for. Notifications come only from Process():
//   - CryptoInformation and HostFingerprint after the key exchange, before
//     anything of the login is sent (every host key is accepted unless a
//     handler sets accept to false);
//   - Connected(0, "") once the login succeeded;
//   - Received(n) once per piece of the command's standard output (n <= 32767);
//     the standard error output is read and traced, never delivered;
//   - Connected(code, text) for every failure, also after Connected(0, "");
//   - Disconnected() exactly once, last, at the end of every attempt.
// A password login answers keyboard-interactive prompts too: the password goes
// to every prompt that does not echo.
// A connection that goes before the command ended (end of output plus exit
// status or channel close) is a failure. A command killed by a signal is one
// too. Without a command the client logs in and ends normally.

#include "transport/libssh_headers.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "query/ssh_client.h"
#include "transport/known_hosts.h"
#include "transport/libssh_command.h"
#include "transport/libssh_key.h"
#include "transport/libssh_session.h"
#include "transport/ssh_algorithms.h"

namespace tavrix::libssh {

// Hands out the first `byteCount` bytes of `received` (text is the only
// format) and drops them there: the client's TakeReceived.
std::string TakeReceivedText(std::string& received, std::int16_t byteCount, int format);

// The session and the command are the two pieces of libssh_session.h and
// libssh_command.h; this client runs one command on one session.
class LibsshClient : public SshClient, private SessionListener, private CommandListener {
  public:
    explicit LibsshClient(AlgorithmPolicy policy = AlgorithmPolicy::kCompatible);
    ~LibsshClient() override;
    LibsshClient(const LibsshClient&) = delete;
    LibsshClient& operator=(const LibsshClient&) = delete;

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
    // The key SetLoginKey took, or none.
    ssh_key LoginKey() const { return loginKey_.get(); }
    // After the handlers accepted the host key, the file decides (command line).
    void SetKnownHostsCheck(KnownHostsCheck check);
    // The server's host key as a known-hosts line, once the handshake is done.
    const std::string& ServerKnownHostsLine() const { return session_->KnownHostsLineOfServer(); }
    // Ends the attempt on this moment instead of the time limit after
    // OpenConnection (a check that tried a held session first); call it after
    // OpenConnection. The time-out text still names the time limit.
    void SetDeadline(std::chrono::steady_clock::time_point deadline);
    // After a command that ended normally, the logged-in session stays open
    // for TakeSession instead of being closed.
    void SetKeepSession(bool keep) { keepSession_ = keep; }
    // The session kept open, or nullptr.
    std::unique_ptr<LibsshSession> TakeSession();

    void OpenConnection() override;
    std::string TakeReceived(std::int16_t byteCount, int format) override;
    void Process() override;
    SshWaitHint WaitHint() const override;
    bool Ended() const override;

  private:
    using Clock = std::chrono::steady_clock;
    enum class Phase {
        kIdle,         // before OpenConnection
        kStart,        // OpenConnection done; the first Process starts
        kFailPending,  // a failure known before any I/O (SSH1)
        kSession,      // resolving, connecting, handshake, login
        kCommand,      // channel, exec, reading
        kEnded,
    };

    bool Step();
    void StartAttempt();
    bool StepSession();
    bool StepCommand();

    void SessionFailed(std::int16_t code, const std::string& text) override;
    void OfferCrypto(const CryptoDetails& details, bool& accept) override;
    void OfferHostKey(const std::string& fingerprint, bool& accept) override;
    void CommandFailed(std::int16_t code, const std::string& text) override;
    bool CommandOutput(const char* data, std::size_t size) override;

    void Fail(std::int16_t code, const std::string& text);
    void FinishNormally();
    void CloseSession(bool graceful);
    void Notify(auto&& call);  // calls the sink, if there is one
    std::string PhaseName() const;

    // settings
    AlgorithmPolicy policy_;
    SshNotifications* sink_ = nullptr;
    bool presetFlag_ = false;
    int presetNumber_ = 0;
    std::string host_;
    std::string user_;
    std::string password_;
    int loginMethod_ = 0;
    SharedKey loginKey_;
    std::string command_;
    int protocolChoice_ = 4;
    int port_ = 22;
    int timeLimitSeconds_ = 60;
    std::string preferredHostKeyType_;
    KnownHostsCheck knownHosts_;

    // the attempt
    Phase phase_ = Phase::kIdle;
    bool inProcess_ = false;
    Clock::time_point started_{};
    Clock::time_point deadline_{};
    std::int16_t pendingCode_ = 0;
    std::string pendingText_;
    std::unique_ptr<LibsshSession> session_ =
        std::make_unique<LibsshSession>(static_cast<SessionListener&>(*this));
    bool keepSession_ = false;
    bool sessionKept_ = false;
    std::unique_ptr<LibsshCommand> runningCommand_;
    std::string received_;  // announced by Received, not yet taken
};

}  // namespace tavrix::libssh
