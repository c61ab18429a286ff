#pragma once
// The session half of an SSH attempt on libssh: resolve, TCP connect, SSH
// handshake, host key, login. Non-blocking: Step() does what is ready and
// says whether it got further. Once Ready(), the authenticated session is
// there for commands (libssh_command.h), one after another; the one-shot
// client runs one, a holder runs many on the same session.

#include "transport/libssh_headers.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "query/connect_retry.h"
#include "query/ssh_client.h"
#include "support/retry_backoff.h"
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

// libssh's texts for a socket that went away.
bool LooksLikeLostConnection(const std::string& error);

// A server that sheds connections before the login (OpenSSH's MaxStartups)
// gets the same connection again after these waits, within the deadline.
inline constexpr RetryBackoff kShedBackoff{};

// What a session needs to log in. The password stays in memory only.
struct SessionSettings {
    AlgorithmPolicy policy = AlgorithmPolicy::kCompatible;
    std::string host;
    int port = 22;
    std::string user;
    std::string password;
    bool byKey = false;
    SharedKey loginKey;
    std::string preferredHostKeyType;
    KnownHostsCheck knownHosts;
};

// What the key exchange showed, handed to the owner before the login.
struct CryptoDetails {
    std::string protocol;
    std::string remoteName;
    std::string scCipher;
    std::string csCipher;
    std::string keys;
};

// The owner of a session hears of its failure and decides about the host.
class SessionListener {
  public:
    virtual ~SessionListener() = default;
    // The attempt failed; the owner closes the session (Close) before it returns.
    virtual void SessionFailed(std::int16_t code, const std::string& text) = 0;
    // Leaving accept true lets the login go on.
    virtual void OfferCrypto(const CryptoDetails& details, bool& accept) = 0;
    virtual void OfferHostKey(const std::string& fingerprint, bool& accept) = 0;
};

class LibsshSession {
  public:
    using Clock = std::chrono::steady_clock;

    explicit LibsshSession(SessionListener& listener) : listener_(&listener) {}
    ~LibsshSession();
    LibsshSession(const LibsshSession&) = delete;
    LibsshSession& operator=(const LibsshSession&) = delete;

    // Starts resolving; `deadline` shares the connect time among the addresses
    // and bounds the attempts after a connection the server shed.
    void Start(SessionSettings settings, Clock::time_point started, Clock::time_point deadline);
    // Does what is ready; true when it got further. Failures go to the listener.
    bool Step();
    bool Ready() const { return state_ == State::kReady; }
    bool Closed() const { return state_ == State::kClosed; }
    // Sends the disconnect message without waiting and frees the session
    // with its channels.
    void Close();
    // libssh still holds the socket (no error closed it).
    bool SocketLive() const;

    // The authenticated session, once Ready (for commands).
    ssh_session Handle() const { return session_.get(); }
    bool Broken() const;
    std::string Error() const;
    SshWaitHint WaitHint(Clock::time_point deadline) const;
    std::string PhaseName() const;
    // Connections tried so far, the one in hand included.
    int Attempts() const { return attempt_; }
    // " (3 attempts)" after more than one, else nothing.
    std::string AttemptsNote() const;

    // A holder takes the session over from the client that logged in.
    void SetListener(SessionListener& listener) { listener_ = &listener; }
    const CryptoDetails& Crypto() const { return crypto_; }
    const std::string& Fingerprint() const { return fingerprint_; }
    const std::string& KnownHostsLineOfServer() const { return knownHostsLine_; }
    const SessionSettings& Settings() const { return settings_; }

  private:
    enum class State {
        kIdle,
        kResolving,
        kConnecting,
        kHandshake,
        kLogin,
        kReady,
        kClosed,
        kWaitingToRetry,  // the server shed the connection; connect again at retryAt_
    };
    struct SessionDeleter {
        void operator()(ssh_session session) const { ssh_free(session); }
    };
    // How a password login proceeds: password first, then keyboard-interactive
    // when the server offers it.
    enum class LoginStage { kKey, kPassword, kKeyboardInteractive };

    void OnResolved(net::Resolution resolution);
    void ConnectNextAddress();
    bool StepConnecting();
    void OnTcpConnected();
    bool StepHandshake();
    void HandshakeFailed();
    bool RetryLater(const std::string& why);
    void ReleaseConnection();
    bool DeliverHostInformation();
    std::string WhyNoMatch(const std::string& error) const;
    bool StepLogin();
    int TryLoginMethod();
    bool AnswerPrompts();
    bool TryNextLoginMethod(int rc);
    bool TryKeyAgain();
    void Fail(std::int16_t code, const std::string& text);
    std::string HostAndAddress() const;
    long long MillisecondsSinceStart() const;

    SessionListener* listener_;
    SessionSettings settings_;
    State state_ = State::kIdle;
    Clock::time_point started_{};
    Clock::time_point deadline_{};
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
    LoginStage loginStage_ = LoginStage::kPassword;
    std::string methodsTried_;  // "password, keyboard-interactive"
    int promptRounds_ = 0;
    bool rsaSha1Tried_ = false;
    CryptoDetails crypto_;
    std::string fingerprint_;
    std::string knownHostsLine_;
    int attempt_ = 1;
    Clock::time_point retryAt_{};
    std::string firstBytes_;  // the first the server sent, seen before libssh reads them
};

}  // namespace tavrix::libssh
