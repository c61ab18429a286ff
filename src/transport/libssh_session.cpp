#include "transport/libssh_session.h"

#include <cstring>

#include <random>
#include <string_view>
#include <utility>

#include "support/failure.h"
#include "support/trace.h"
#include "transport/libssh_library.h"

namespace tavrix::libssh {

namespace {

#ifdef _WIN32
constexpr const char* kNoFile = "NUL";
#else
constexpr const char* kNoFile = "/dev/null";
#endif

std::string OrUnknown(const char* text) {
    return text != nullptr && *text != '\0' ? text : "unknown";
}

// "aes128-ctr hmac-sha2-256"; an AEAD cipher carries its own integrity.
std::string CipherAndMac(const char* cipher, const char* mac) {
    std::string text = OrUnknown(cipher);
    if (mac != nullptr && *mac != '\0' && std::string_view(mac).substr(0, 5) != "aead-") {
        text.append(" ").append(mac);
    }
    return text;
}

bool OneBeginsTheOther(std::string_view a, std::string_view b) {
    return a.substr(0, b.size()) == b.substr(0, a.size());
}

// Uniform in [0, 1); each thread draws its own, so that checks started
// together spread out.
double RandomShare() {
    thread_local std::mt19937 engine{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

}  // namespace

// libssh's texts for a socket that went away.
bool LooksLikeLostConnection(const std::string& error) {
    return error.find("Socket error") != std::string::npos ||
           error.find("disconnected") != std::string::npos ||
           error.find("Connection reset") != std::string::npos ||
           error.find("Broken pipe") != std::string::npos ||
           error.find("Connection closed") != std::string::npos ||
           // A reset seen as a poll error leaves no errno behind: libssh
           // then reports the text of errno 0 alone.
           error == std::strerror(0);
}

LibsshSession::~LibsshSession() {
    Close();
    Wipe(settings_.password);
}

bool LibsshSession::Step() {
    switch (state_) {
        case State::kResolving:
            if (!resolveJob_->Done()) {
                return false;
            }
            OnResolved(resolveJob_->Take());
            resolveJob_.reset();
            return true;
        case State::kConnecting:
            return StepConnecting();
        case State::kHandshake:
            return StepHandshake();
        case State::kLogin:
            return StepLogin();
        case State::kWaitingToRetry:
            if (Clock::now() < retryAt_) {
                return false;
            }
            Trace("SSH attempt ", attempt_, " after ", MillisecondsSinceStart(), " ms");
            state_ = State::kConnecting;
            nextAddress_ = 0;
            ConnectNextAddress();
            return true;
        case State::kIdle:
        case State::kReady:
        case State::kClosed:
            break;
    }
    return false;
}

void LibsshSession::Start(SessionSettings settings, Clock::time_point started,
                          Clock::time_point deadline) {
    settings_ = std::move(settings);
    started_ = started;
    deadline_ = deadline;
    attempt_ = 1;
    firstBytes_.clear();
    loginStage_ = settings_.byKey ? LoginStage::kKey : LoginStage::kPassword;
    state_ = State::kResolving;
    const auto port = static_cast<std::uint16_t>(settings_.port);
    net::Resolution numeric = net::ResolveNumeric(settings_.host, port);
    if (!numeric.addresses.empty()) {
        OnResolved(std::move(numeric));
        return;
    }
    resolveJob_ = net::ResolveJob::Start(settings_.host, port);
    state_ = State::kResolving;
}

void LibsshSession::OnResolved(net::Resolution resolution) {
    if (resolution.addresses.empty()) {
        if (resolution.unknownHost) {
            Fail(kFailureResolve, "Unknown host name " + settings_.host);
        } else {
            Fail(kFailureResolve,
                 "Cannot resolve host name " + settings_.host + ": " + resolution.error);
        }
        return;
    }
    addresses_ = std::move(resolution.addresses);
    nextAddress_ = 0;
    state_ = State::kConnecting;
    ConnectNextAddress();
}

void LibsshSession::ConnectNextAddress() {
    while (nextAddress_ < addresses_.size()) {
        const net::Address& address = addresses_[nextAddress_++];
        currentAddress_ = address.text;
        int error = 0;
        const net::ConnectState state = net::StartConnect(address, socket_, error);
        if (state == net::ConnectState::kConnected) {
            OnTcpConnected();
            return;
        }
        if (state == net::ConnectState::kInProgress) {
            // Leave the later addresses a share of the time that is left.
            const auto now = Clock::now();
            const auto left = deadline_ > now ? deadline_ - now : Clock::duration::zero();
            const auto remaining = static_cast<long>(addresses_.size() - nextAddress_ + 1);
            addressDeadline_ = now + left / remaining;
            return;
        }
        lastConnectError_ = error;
        lastConnectAddress_ = address.text;
        Trace("SSH connect to ", address.text, " port ", settings_.port,
              " failed: ", net::ErrorText(error));
    }
    const std::string where = HostAndAddress();
    if (net::IsReset(lastConnectError_) &&
        WorthRetrying(ConnectStage::kVersionExchange, ConnectFailure::kClosedByServer) &&
        RetryLater("reset the connection")) {
        return;
    }
    if (net::IsReset(lastConnectError_)) {
        Fail(kFailureConnect, "The server " + where + " port " + std::to_string(settings_.port) +
                                  " closed the connection during the SSH handshake" +
                                  AttemptsNote());
    } else if (net::IsRefused(lastConnectError_)) {
        Fail(kFailureConnect,
             "Connection refused by " + where + " port " + std::to_string(settings_.port));
    } else if (net::IsTimedOut(lastConnectError_) || lastConnectError_ == 0) {
        Fail(kFailureConnect,
             "No answer from " + where + " port " + std::to_string(settings_.port));
    } else {
        Fail(kFailureConnect, "Cannot connect to " + where + " port " +
                                  std::to_string(settings_.port) + ": " +
                                  net::ErrorText(lastConnectError_));
    }
}

bool LibsshSession::StepConnecting() {
    int error = 0;
    const net::ConnectState state = net::CheckConnect(socket_, error);
    if (state == net::ConnectState::kConnected) {
        OnTcpConnected();
        return true;
    }
    if (state == net::ConnectState::kInProgress) {
        if (nextAddress_ < addresses_.size() && Clock::now() >= addressDeadline_) {
            Trace("SSH connect to ", currentAddress_, " port ", settings_.port, " takes too long");
            socket_.Close();
            lastConnectError_ = 0;
            lastConnectAddress_ = currentAddress_;
            ConnectNextAddress();
            return true;
        }
        return false;
    }
    socket_.Close();
    lastConnectError_ = error;
    lastConnectAddress_ = currentAddress_;
    Trace("SSH connect to ", currentAddress_, " port ", settings_.port,
          " failed: ", net::ErrorText(error));
    ConnectNextAddress();
    return true;
}

void LibsshSession::OnTcpConnected() {
    Trace("SSH TCP connection to ", currentAddress_, " port ", settings_.port, " after ",
          MillisecondsSinceStart(), " ms");
    session_.reset(ssh_new());
    if (!session_) {
        Fail(kFailureHandshake, "Cannot create an SSH session");
        return;
    }
    ssh_session s = session_.get();
    // Nothing from the user's OpenSSH files: no config, and no known hosts
    // unless the caller names a file (the handlers decide about the host key).
    bool processConfig = false;
    const bool checkKnownHosts = settings_.knownHosts.policy != HostKeyPolicy::kOff;
    unsigned int port = static_cast<unsigned int>(settings_.port);
    socket_t fd = static_cast<socket_t>(socket_.Get());
    if (ssh_options_set(s, SSH_OPTIONS_PROCESS_CONFIG, &processConfig) != SSH_OK ||
        (ssh_options_set(s, SSH_OPTIONS_HOST, settings_.host.c_str()) != SSH_OK &&
         ssh_options_set(s, SSH_OPTIONS_HOST, currentAddress_.c_str()) != SSH_OK) ||
        ssh_options_set(s, SSH_OPTIONS_USER, settings_.user.c_str()) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_PORT, &port) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_KNOWNHOSTS,
                        checkKnownHosts ? settings_.knownHosts.file.c_str() : kNoFile) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, kNoFile) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_FD, &fd) != SSH_OK ||
        !ApplyAlgorithms(s, settings_.policy)) {
        Fail(kFailureHandshake, "Cannot set up the SSH session: " + Error());
        return;
    }
    if (!settings_.preferredHostKeyType.empty()) {
        const std::string algorithms =
            HostKeyList(settings_.policy, settings_.preferredHostKeyType);
        if (ssh_options_set(s, SSH_OPTIONS_HOSTKEYS, algorithms.c_str()) != SSH_OK) {
            Fail(kFailureHandshake, "Cannot set up the SSH session: " + Error());
            return;
        }
    }
    ssh_set_blocking(s, 0);
    state_ = State::kHandshake;
}

bool LibsshSession::StepHandshake() {
    if (firstBytes_.empty()) {
        // libssh passes over lines before an SSH banner; what they were tells
        // a server that dropped the connection unseen from one that speaks
        // something else.
        firstBytes_ = net::PeekWaiting(socket_.Get(), 32);
    }
    socketHandedOver_ = true;  // from here on libssh may close it on errors
    const int rc = ssh_connect(session_.get());
    if (rc == SSH_AGAIN) {
        return false;
    }
    if (rc != SSH_OK) {
        HandshakeFailed();
        return state_ == State::kWaitingToRetry;
    }
    if (!DeliverHostInformation()) {
        return false;
    }
    state_ = State::kLogin;
    return true;
}

void LibsshSession::HandshakeFailed() {
    const std::string error = Error();
    Trace("SSH handshake failed: ", error);
    const std::string where = HostAndAddress() + " port " + std::to_string(settings_.port);
    if (!LooksLikeLostConnection(error)) {
        Fail(kFailureHandshake,
             "SSH handshake with " + where + " failed: " + error + WhyNoMatch(error));
        return;
    }
    // Nothing at all, OpenSSH's notice of a shed connection, or the start of
    // an SSH banner: the server dropped the connection before the key
    // exchange, as one that sheds load does. After a whole banner the key
    // exchange was under way; after anything else the server speaks another
    // protocol.
    const char* banner = ssh_get_serverbanner(session_.get());
    const bool sshBanner = banner != nullptr && std::string_view(banner).starts_with("SSH-");
    const bool spokeSsh = OneBeginsTheOther(firstBytes_, "SSH-") ||
                          OneBeginsTheOther(firstBytes_, "Exceeded MaxStartups");
    const bool modernOnly = settings_.policy == AlgorithmPolicy::kModernOnly;
    ConnectFailure failure = ConnectFailure::kClosedByServer;
    if ((banner != nullptr && !sshBanner) || (!sshBanner && !spokeSsh)) {
        failure = ConnectFailure::kOther;
    } else if (sshBanner && modernOnly) {
        // A server that finds nothing it speaks among our algorithms may
        // hang up before libssh has compared the lists itself.
        failure = ConnectFailure::kAlgorithmMismatch;
    }
    const ConnectStage stage =
        sshBanner ? ConnectStage::kKeyExchange : ConnectStage::kVersionExchange;
    if (WorthRetrying(stage, failure) &&
        RetryLater(sshBanner ? "closed during the key exchange" : "closed before its banner")) {
        return;
    }
    const std::string why =
        modernOnly ? " (it may need older algorithms, and only modern algorithms are allowed)" : "";
    Fail(kFailureHandshake, "The server " + where +
                                " closed the connection during the SSH handshake" + why +
                                AttemptsNote());
}

// Closes the connection the server shed and schedules the next one, when the
// deadline leaves room for the wait and a whole attempt; false when not.
bool LibsshSession::RetryLater(const std::string& why) {
    const auto now = Clock::now();
    const auto left = std::chrono::duration_cast<RetryBackoff::Duration>(deadline_ - now);
    const auto wait = kShedBackoff.NextWait(attempt_, left, RandomShare());
    if (!wait) {
        Trace("SSH attempt ", attempt_, ": the server ", why, "; no time left for another");
        return false;
    }
    Trace("SSH attempt ", attempt_, ": the server ", why, "; trying again in ", wait->count(),
          " ms");
    ReleaseConnection();
    socketHandedOver_ = false;
    fingerprint_.clear();
    knownHostsLine_.clear();
    firstBytes_.clear();
    lastConnectError_ = 0;
    ++attempt_;
    retryAt_ = now + *wait;
    state_ = State::kWaitingToRetry;
    return true;
}

std::string LibsshSession::AttemptsNote() const {
    return attempt_ > 1 ? " (" + std::to_string(attempt_) + " attempts)" : "";
}

// Why no algorithm matched, when the reason is on our side.
std::string LibsshSession::WhyNoMatch(const std::string& error) const {
    if (error.find("no match for method") == std::string::npos) {
        return {};
    }
    if (settings_.policy == AlgorithmPolicy::kModernOnly) {
        return " (only modern algorithms are allowed)";
    }
    if (error.find("host key algo: server [ssh-dss]") != std::string::npos && !LibraryHasDsa()) {
        return " (this build's SSH library has no DSA)";
    }
    return {};
}

bool LibsshSession::DeliverHostInformation() {
    ssh_session s = session_.get();
    ssh_key serverKey = nullptr;
    std::string fingerprint = "unknown";
    std::string hostKeyType = "unknown";
    if (ssh_get_server_publickey(s, &serverKey) == SSH_OK && serverKey != nullptr) {
        KeyHandle held(serverKey);
        hostKeyType = KeyTypeName(serverKey);
        fingerprint = FingerprintOf(serverKey);
        knownHostsLine_ = KnownHostsLine(s);
    }
    fingerprint_ = fingerprint;
    const std::string protocol = "SSH2";
    const std::string remoteName = OrUnknown(ssh_get_serverbanner(s));
    const std::string scCipher = CipherAndMac(ssh_get_cipher_in(s), ssh_get_hmac_in(s));
    const std::string csCipher = CipherAndMac(ssh_get_cipher_out(s), ssh_get_hmac_out(s));
    const std::string keys = OrUnknown(ssh_get_kex_algo(s)) + ", " + hostKeyType;
    Trace("SSH handshake done after ", MillisecondsSinceStart(), " ms: ", protocol, ", ",
          remoteName, ", key exchange ", keys, ", server to client ", scCipher,
          ", client to server ", csCipher, ", host key ", fingerprint);

    bool accept = true;
    crypto_ = {protocol, remoteName, scCipher, csCipher, keys};
    listener_->OfferCrypto(crypto_, accept);
    if (state_ == State::kClosed) {
        return false;
    }
    if (!accept) {
        Fail(kFailureHostRejected,
             "The encryption of the connection to " + HostAndAddress() + " was not accepted");
        return false;
    }
    accept = true;
    listener_->OfferHostKey(fingerprint, accept);
    if (state_ == State::kClosed) {
        return false;
    }
    if (!accept) {
        Fail(kFailureHostRejected,
             "The host key of " + HostAndAddress() + " (" + fingerprint + ") was not accepted");
        return false;
    }
    if (const std::string refusal =
            CheckKnownHost(s, settings_.knownHosts, settings_.host, fingerprint);
        !refusal.empty()) {
        Fail(kFailureHostRejected, refusal);
        return false;
    }
    return true;
}

// One request of the current login method: SSH_AUTH_SUCCESS, _DENIED,
// _PARTIAL, _ERROR, _AGAIN, or _INFO when prompts are to be answered.
int LibsshSession::TryLoginMethod() {
    ssh_session s = session_.get();
    switch (loginStage_) {
        case LoginStage::kKey:
            return ssh_userauth_publickey(s, nullptr, settings_.loginKey.get());
        case LoginStage::kPassword:
            return ssh_userauth_password(s, nullptr, settings_.password.c_str());
        case LoginStage::kKeyboardInteractive:
            return ssh_userauth_kbdint(s, nullptr, nullptr);
    }
    return SSH_AUTH_ERROR;
}

// A round of keyboard-interactive prompts: the password for every prompt
// that does not echo, an empty answer for the others. The next request
// sends the answers.
bool LibsshSession::AnswerPrompts() {
    // Servers ask for a password, perhaps a notice or two; more is a loop.
    constexpr int kMaxPromptRounds = 5;
    ssh_session s = session_.get();
    if (++promptRounds_ > kMaxPromptRounds) {
        Fail(kFailureLogin, "Login failed for user " + settings_.user + " (" + methodsTried_ +
                                ": the server kept asking)");
        return false;
    }
    const int count = ssh_userauth_kbdint_getnprompts(s);
    Trace("SSH keyboard-interactive round ", promptRounds_, ", ", count < 0 ? 0 : count,
          " prompts");
    for (int i = 0; i < count; ++i) {
        char echo = 0;
        const char* prompt = ssh_userauth_kbdint_getprompt(s, static_cast<unsigned int>(i), &echo);
        const char* answer = echo != 0 ? "" : settings_.password.c_str();
        Trace("SSH prompt \"", prompt != nullptr ? prompt : "", "\" answered",
              echo != 0 ? " empty" : " with the password");
        if (ssh_userauth_kbdint_setanswer(s, static_cast<unsigned int>(i), answer) < 0) {
            Fail(kFailureLogin, "Login failed for user " + settings_.user + ": " + Error());
            return false;
        }
    }
    return true;
}

bool LibsshSession::StepLogin() {
    const int rc = TryLoginMethod();
    if (rc == SSH_AUTH_AGAIN) {
        return false;
    }
    if (rc == SSH_AUTH_INFO) {
        return AnswerPrompts();
    }
    if (rc != SSH_AUTH_SUCCESS) {
        return TryNextLoginMethod(rc);
    }
    Trace("SSH logged in as ", settings_.user, " after ", MillisecondsSinceStart(), " ms");
    state_ = State::kReady;
    return true;
}

// A login request that did not succeed: true when another method is to be
// tried, else the attempt fails.
bool LibsshSession::TryNextLoginMethod(int rc) {
    if (rc == SSH_AUTH_DENIED && loginStage_ != LoginStage::kKey) {
        const bool first = methodsTried_.empty();
        methodsTried_.append(first ? "" : ", ")
            .append(loginStage_ == LoginStage::kPassword ? "password" : "keyboard-interactive");
        const int offered = ssh_userauth_list(session_.get(), nullptr);
        if (loginStage_ == LoginStage::kPassword && (offered & SSH_AUTH_METHOD_INTERACTIVE) != 0) {
            Trace("SSH password refused or not offered; trying keyboard-interactive");
            loginStage_ = LoginStage::kKeyboardInteractive;
            return true;
        }
        Fail(kFailureLogin, "Login failed for user " + settings_.user + " (" + methodsTried_ + ")");
        return false;
    }
    switch (rc) {
        case SSH_AUTH_DENIED:
            return TryKeyAgain();
        case SSH_AUTH_PARTIAL:
            Fail(kFailureLogin, "Login for user " + settings_.user +
                                    " needs a further method, which is not supported");
            return false;
        default: {
            const std::string error = Error();
            Trace("SSH login error: ", error);
            if (Broken() && LooksLikeLostConnection(error)) {
                Fail(kFailureConnectionLost, "Connection lost during the login");
            } else {
                Fail(kFailureLogin, "Login failed for user " + settings_.user + ": " + error);
            }
            return false;
        }
    }
}

// The server refused the key. An RSA key goes once more with SHA-1
// signatures (ssh-rsa): servers that announce the SHA-2 ones may still take
// only SHA-1 for users' keys.
bool LibsshSession::TryKeyAgain() {
    const std::string type = KeyTypeName(settings_.loginKey.get());
    if (type == "ssh-dss" && !LibraryHasDsa()) {
        Fail(kFailureLogin, "DSA keys cannot log in: this build's SSH library has no DSA");
        return false;
    }
    if (type == "ssh-rsa" && !rsaSha1Tried_) {
        if (settings_.policy == AlgorithmPolicy::kModernOnly) {
            Fail(kFailureLogin, "The server refused the key for user " + settings_.user +
                                    "; it may take it only with SHA-1 signatures (ssh-rsa), "
                                    "which are refused when only modern algorithms are allowed");
            return false;
        }
        rsaSha1Tried_ = true;
        if (ssh_options_set(session_.get(), SSH_OPTIONS_PUBLICKEY_ACCEPTED_TYPES, "ssh-rsa") ==
            SSH_OK) {
            Trace("SSH key refused; trying it with SHA-1 signatures (ssh-rsa)");
            return true;
        }
    }
    Fail(kFailureLogin, "The server refused the key for user " + settings_.user);
    return false;
}

void LibsshSession::Fail(std::int16_t code, const std::string& text) {
    listener_->SessionFailed(code, text);
    Close();  // in case the listener left it open
}

bool LibsshSession::SocketLive() const {
    return session_ && socketHandedOver_ && ssh_get_fd(session_.get()) != SSH_INVALID_SOCKET;
}

void LibsshSession::Close() {
    state_ = State::kClosed;
    resolveJob_.reset();  // a running lookup finishes on its own
    ReleaseConnection();
}

void LibsshSession::ReleaseConnection() {
    if (session_) {
        const bool libsshHoldsSocket = SocketLive();
        // Sends the disconnect message without waiting, frees the channels and
        // leaves the socket alone (it came through SSH_OPTIONS_FD).
        ssh_disconnect(session_.get());
        session_.reset();
        if (socketHandedOver_ && !libsshHoldsSocket) {
            // libssh closed the socket itself after an error: the number is
            // no longer ours to close.
            socket_.Release();
        }
    }
    socket_.Close();
}

bool LibsshSession::Broken() const {
    if (!session_) {
        return true;
    }
    return (ssh_get_status(session_.get()) & (SSH_CLOSED | SSH_CLOSED_ERROR)) != 0 ||
           ssh_is_connected(session_.get()) == 0;
}

std::string LibsshSession::Error() const {
    if (!session_) {
        return "no session";
    }
    const char* error = ssh_get_error(session_.get());
    return error != nullptr && *error != '\0' ? error : "unknown error";
}

long long LibsshSession::MillisecondsSinceStart() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
}

std::string LibsshSession::HostAndAddress() const {
    const std::string& address = state_ == State::kConnecting || currentAddress_.empty()
                                     ? lastConnectAddress_
                                     : currentAddress_;
    if (address.empty() || address == settings_.host) {
        return settings_.host;
    }
    return settings_.host + " (" + address + ")";
}

std::string LibsshSession::PhaseName() const {
    switch (state_) {
        case State::kIdle:
        case State::kResolving:
            return "resolving the host name";
        case State::kConnecting:
            return "connecting";
        case State::kHandshake:
            return "in the SSH handshake";
        case State::kLogin:
            return "logging in";
        case State::kWaitingToRetry:
            return "waiting to connect again";
        default:
            return "idle";
    }
}

SshWaitHint LibsshSession::WaitHint(Clock::time_point deadline) const {
    SshWaitHint hint;
    switch (state_) {
        case State::kIdle:
        case State::kClosed:
            return hint;
        case State::kResolving:
            hint.wakeAt = deadline;
            hint.socket = resolveJob_ ? resolveJob_->WakeHandle() : net::kNoSocket;
            hint.wantRead = hint.socket != net::kNoSocket;
            if (!hint.wantRead) {
                // no wake handle (Windows): look again in a moment
                hint.wakeAt = std::min(deadline, Clock::now() + std::chrono::milliseconds(10));
            }
            return hint;
        case State::kWaitingToRetry:
            hint.wakeAt = std::min(deadline, retryAt_);
            return hint;
        case State::kConnecting:
            hint.socket = socket_.Get();
            hint.wantWrite = true;
            hint.wakeAt =
                nextAddress_ < addresses_.size() ? std::min(deadline, addressDeadline_) : deadline;
            return hint;
        default:
            hint.socket = socket_.Get();
            hint.wantRead = true;
            hint.wantWrite = session_ && (ssh_get_poll_flags(session_.get()) & SSH_WRITE_PENDING);
            hint.wakeAt = deadline;
            return hint;
    }
}

}  // namespace tavrix::libssh
