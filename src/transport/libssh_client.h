#pragma once
// SshClient on libssh 0.10, driven as a non-blocking state machine:
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
#include "transport/libssh_key.h"
#include "transport/net_socket.h"
#include "transport/ssh_algorithms.h"

namespace tavrix::libssh {

// The ErrorCode of Connected for each kind of failure.
enum FailureCode : std::int16_t {
    kFailureResolve = 1,                // unknown host name, resolver error
    kFailureConnect = 2,                // refused, unreachable
    kFailureTimeout = kErrorTimeLimit,  // the time limit passed
    kFailureHandshake = 4,              // SSH handshake failed or the server closed the connection
    kFailureHostRejected = 5,           // a handler set accept to false
    kFailureLogin = 6,                  // password or key refused, login error
    kFailureCommand = 7,                // session or command refused, command killed by a signal
    kFailureConnectionLost = 8,         // the connection went before the command ended
    kFailureUnsupported = 9,            // SSH1
};

class LibsshClient : public SshClient {
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
    // After the handlers accepted the host key, the file decides (command line).
    void SetKnownHostsCheck(KnownHostsCheck check);
    // The server's host key as a known-hosts line, once the handshake is done.
    const std::string& ServerKnownHostsLine() const { return knownHostsLine_; }

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
        kResolving,
        kConnecting,
        kHandshake,
        kLogin,
        kOpenChannel,
        kExec,
        kReading,
        kEnded,
    };
    struct SessionDeleter {
        void operator()(ssh_session session) const { ssh_free(session); }
    };

    bool Step();
    void StartAttempt();
    void OnResolved(net::Resolution resolution);
    void ConnectNextAddress();
    bool StepConnecting();
    void OnTcpConnected();
    bool StepHandshake();
    bool DeliverHostInformation();
    std::string WhyNoMatch(const std::string& error) const;
    bool StepLogin();
    int TryLoginMethod();
    bool AnswerPrompts();
    bool TryNextLoginMethod(int rc);
    bool TryKeyAgain();
    bool StepOpenChannel();
    bool StepExec();
    bool StepReading();
    void DrainStandardError();

    void Fail(std::int16_t code, const std::string& text);
    void FailRequest(const std::string& refusal);
    void FinishNormally();
    void CloseSession(bool graceful);
    void Notify(auto&& call);  // calls the sink, if there is one
    bool SessionBroken() const;
    std::string SessionError() const;
    std::string HostAndAddress() const;
    std::string PhaseName() const;

    static void OnChannelClose(ssh_session, ssh_channel, void* self);
    static void OnExitStatus(ssh_session, ssh_channel, int status, void* self);
    static void OnExitSignal(ssh_session, ssh_channel, const char* signal, int core,
                             const char* errmsg, const char* lang, void* self);

    // How a password login proceeds: password first, then keyboard-interactive
    // when the server offers it.
    enum class LoginStage { kKey, kPassword, kKeyboardInteractive };

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
    std::string knownHostsLine_;

    // the attempt
    Phase phase_ = Phase::kIdle;
    bool inProcess_ = false;
    Clock::time_point started_{};
    Clock::time_point deadline_{};
    std::int16_t pendingCode_ = 0;
    std::string pendingText_;
    std::shared_ptr<net::ResolveJob> resolveJob_;
    std::vector<net::Address> addresses_;
    std::size_t nextAddress_ = 0;
    std::string currentAddress_;
    Clock::time_point addressDeadline_{};
    int lastConnectError_ = 0;
    std::string lastConnectAddress_;
    net::Socket socket_;
    std::unique_ptr<std::remove_pointer_t<ssh_session>, SessionDeleter> session_;
    bool socketHandedOver_ = false;
    ssh_channel channel_ = nullptr;  // freed by ssh_disconnect / ssh_free
    ssh_channel_callbacks_struct channelCallbacks_{};
    bool stdoutEnded_ = false;
    bool remoteClosed_ = false;
    bool exitStatusKnown_ = false;
    int exitStatus_ = -1;
    std::string exitSignal_;
    LoginStage loginStage_ = LoginStage::kPassword;
    std::string methodsTried_;  // "password, keyboard-interactive"
    int promptRounds_ = 0;
    bool rsaSha1Tried_ = false;
    std::string stderrText_;
    std::string received_;  // announced by Received, not yet taken
    std::vector<char> readBuffer_;
};

}  // namespace tavrix::libssh
