#include "transport/libssh_client.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "support/failure.h"
#include "support/trace.h"
#include "transport/libssh_library.h"

namespace tavrix::libssh {

namespace {

// Received carries a 16-bit count.
constexpr std::size_t kMaxPiece = 32767;
// Standard error output kept for the trace.
constexpr std::size_t kMaxStderrTrace = 2000;
// Received output that nobody takes is not kept without end.
constexpr std::size_t kMaxUntaken = 16 * 1024 * 1024;

#ifdef _WIN32
constexpr const char* kNoFile = "NUL";
#else
constexpr const char* kNoFile = "/dev/null";
#endif

std::string Seconds(int seconds) {
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

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

// libssh's texts for a socket that went away.
bool LooksLikeLostConnection(const std::string& error) {
    return error.find("Socket error") != std::string::npos ||
           error.find("disconnected") != std::string::npos ||
           error.find("Connection reset") != std::string::npos ||
           error.find("Broken pipe") != std::string::npos ||
           error.find("Connection closed") != std::string::npos;
}

}  // namespace

LibsshClient::LibsshClient(AlgorithmPolicy policy) : policy_(policy), readBuffer_(kMaxPiece) {
    EnsureLibrary();
}

LibsshClient::~LibsshClient() {
    CloseSession(false);
    Wipe(password_);
}

void LibsshClient::SetNotifications(SshNotifications* sink) {
    sink_ = sink;
}

void LibsshClient::SetPresetFlag(bool flag) {
    presetFlag_ = flag;  // no meaning for this transport
}

void LibsshClient::SetHost(const std::string& host) {
    host_ = host;
}

void LibsshClient::SetPresetNumber(int number) {
    presetNumber_ = number;  // no meaning for this transport
}

void LibsshClient::SetUser(const std::string& user) {
    user_ = user;
}

void LibsshClient::SetPassword(const std::string& password) {
    Wipe(password_);
    password_ = password;
}

void LibsshClient::SetLoginMethod(int method) {
    loginMethod_ = method;
}

void LibsshClient::SetLoginKey(const std::string& key) {
    loginKey_ = ImportKeyText(key);
}

void LibsshClient::SetCommand(const std::string& command) {
    command_ = command;
}

void LibsshClient::SetProtocolChoice(int choice) {
    protocolChoice_ = choice;
}

void LibsshClient::SetPort(std::int16_t port) {
    // 16 bits as the caller has them; ports above 32767 arrive negative.
    port_ = static_cast<std::uint16_t>(port);
}

void LibsshClient::SetTimeLimit(std::int16_t seconds) {
    timeLimitSeconds_ = seconds <= 0 ? 60 : seconds;
}

void LibsshClient::PreferHostKeyType(const std::string& keyType) {
    preferredHostKeyType_ = keyType;
}

void LibsshClient::SetKnownHostsCheck(KnownHostsCheck check) {
    knownHosts_ = std::move(check);
}

void LibsshClient::OpenConnection() {
    if (phase_ != Phase::kIdle) {
        throw Failure("The connection has already been opened");
    }
    if (host_.empty()) {
        throw Failure("No host name given");
    }
    if (user_.empty()) {
        throw Failure("No user name given");
    }
    if (port_ == 0) {
        port_ = 22;
    }
    if (loginMethod_ == kLoginByKey && !loginKey_) {
        throw Failure("No login key has been set");
    }
    loginStage_ = loginMethod_ == kLoginByKey ? LoginStage::kKey : LoginStage::kPassword;
    if (loginMethod_ == kLoginByKey && !UserKeyTypeAllowed(policy_, KeyTypeName(loginKey_.get()))) {
        throw Failure("DSA keys are refused when only modern algorithms are allowed");
    }
    started_ = Clock::now();
    deadline_ = started_ + std::chrono::seconds(timeLimitSeconds_);
    Trace("SSH connecting to ", host_, " port ", port_, " as ", user_, " by ",
          loginMethod_ == kLoginByKey ? "key " + KeyTypeName(loginKey_.get())
                                      : std::string("password"),
          ", time limit ", timeLimitSeconds_, " s");
    if (protocolChoice_ == kProtocolSsh1) {
        pendingCode_ = kFailureUnsupported;
        pendingText_ = "SSH1 is not supported";
        phase_ = Phase::kFailPending;
        return;
    }
    phase_ = Phase::kStart;  // the work starts in the first Process()
}

std::string LibsshClient::TakeReceived(std::int16_t byteCount, int format) {
    if (format != kReceivedAsText) {
        throw Failure("TakeReceived supports format 8 (text) only");
    }
    if (byteCount <= 0) {
        return {};
    }
    const std::size_t count = std::min(received_.size(), static_cast<std::size_t>(byteCount));
    std::string piece = received_.substr(0, count);
    received_.erase(0, count);
    return piece;
}

bool LibsshClient::Ended() const {
    return phase_ == Phase::kEnded;
}

void LibsshClient::Process() {
    if (inProcess_ || phase_ == Phase::kIdle || phase_ == Phase::kEnded) {
        return;  // a handler calling Process again does nothing
    }
    inProcess_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{inProcess_};

    // Each step reports whether it got further; stop when all waits on I/O.
    for (int round = 0; round < 10000 && phase_ != Phase::kEnded; ++round) {
        if (phase_ != Phase::kFailPending && Clock::now() >= deadline_) {
            Trace("SSH time limit passed while ", PhaseName());
            Fail(kFailureTimeout, "Timed out after " + Seconds(timeLimitSeconds_));
            return;
        }
        if (!Step()) {
            return;
        }
    }
}

bool LibsshClient::Step() {
    switch (phase_) {
        case Phase::kStart:
            StartAttempt();
            return true;
        case Phase::kFailPending:
            Fail(pendingCode_, pendingText_);
            return false;
        case Phase::kResolving:
            if (!resolveJob_->Done()) {
                return false;
            }
            OnResolved(resolveJob_->Take());
            resolveJob_.reset();
            return true;
        case Phase::kConnecting:
            return StepConnecting();
        case Phase::kHandshake:
            return StepHandshake();
        case Phase::kLogin:
            return StepLogin();
        case Phase::kOpenChannel:
            return StepOpenChannel();
        case Phase::kExec:
            return StepExec();
        case Phase::kReading:
            return StepReading();
        case Phase::kIdle:
        case Phase::kEnded:
            break;
    }
    return false;
}

void LibsshClient::StartAttempt() {
    const auto port = static_cast<std::uint16_t>(port_);
    net::Resolution numeric = net::ResolveNumeric(host_, port);
    if (!numeric.addresses.empty()) {
        OnResolved(std::move(numeric));
        return;
    }
    resolveJob_ = net::ResolveJob::Start(host_, port);
    phase_ = Phase::kResolving;
}

void LibsshClient::OnResolved(net::Resolution resolution) {
    if (resolution.addresses.empty()) {
        if (resolution.unknownHost) {
            Fail(kFailureResolve, "Unknown host name " + host_);
        } else {
            Fail(kFailureResolve, "Cannot resolve host name " + host_ + ": " + resolution.error);
        }
        return;
    }
    addresses_ = std::move(resolution.addresses);
    nextAddress_ = 0;
    phase_ = Phase::kConnecting;
    ConnectNextAddress();
}

void LibsshClient::ConnectNextAddress() {
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
        Trace("SSH connect to ", address.text, " port ", port_, " failed: ", net::ErrorText(error));
    }
    const std::string where = HostAndAddress();
    if (net::IsRefused(lastConnectError_)) {
        Fail(kFailureConnect, "Connection refused by " + where + " port " + std::to_string(port_));
    } else if (net::IsTimedOut(lastConnectError_) || lastConnectError_ == 0) {
        Fail(kFailureConnect, "No answer from " + where + " port " + std::to_string(port_));
    } else {
        Fail(kFailureConnect, "Cannot connect to " + where + " port " + std::to_string(port_) +
                                  ": " + net::ErrorText(lastConnectError_));
    }
}

bool LibsshClient::StepConnecting() {
    int error = 0;
    const net::ConnectState state = net::CheckConnect(socket_, error);
    if (state == net::ConnectState::kConnected) {
        OnTcpConnected();
        return true;
    }
    if (state == net::ConnectState::kInProgress) {
        if (nextAddress_ < addresses_.size() && Clock::now() >= addressDeadline_) {
            Trace("SSH connect to ", currentAddress_, " port ", port_, " takes too long");
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
    Trace("SSH connect to ", currentAddress_, " port ", port_, " failed: ", net::ErrorText(error));
    ConnectNextAddress();
    return true;
}

void LibsshClient::OnTcpConnected() {
    Trace("SSH TCP connection to ", currentAddress_, " port ", port_, " after ",
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count(),
          " ms");
    session_.reset(ssh_new());
    if (!session_) {
        Fail(kFailureHandshake, "Cannot create an SSH session");
        return;
    }
    ssh_session s = session_.get();
    // Nothing from the user's OpenSSH files: no config, and no known hosts
    // unless the caller names a file (the handlers decide about the host key).
    bool processConfig = false;
    const bool checkKnownHosts = knownHosts_.policy != HostKeyPolicy::kOff;
    unsigned int port = static_cast<unsigned int>(port_);
    socket_t fd = static_cast<socket_t>(socket_.Get());
    if (ssh_options_set(s, SSH_OPTIONS_PROCESS_CONFIG, &processConfig) != SSH_OK ||
        (ssh_options_set(s, SSH_OPTIONS_HOST, host_.c_str()) != SSH_OK &&
         ssh_options_set(s, SSH_OPTIONS_HOST, currentAddress_.c_str()) != SSH_OK) ||
        ssh_options_set(s, SSH_OPTIONS_USER, user_.c_str()) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_PORT, &port) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_KNOWNHOSTS,
                        checkKnownHosts ? knownHosts_.file.c_str() : kNoFile) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, kNoFile) != SSH_OK ||
        ssh_options_set(s, SSH_OPTIONS_FD, &fd) != SSH_OK || !ApplyAlgorithms(s, policy_)) {
        Fail(kFailureHandshake, "Cannot set up the SSH session: " + SessionError());
        return;
    }
    if (!preferredHostKeyType_.empty()) {
        const std::string algorithms = HostKeyList(policy_, preferredHostKeyType_);
        if (ssh_options_set(s, SSH_OPTIONS_HOSTKEYS, algorithms.c_str()) != SSH_OK) {
            Fail(kFailureHandshake, "Cannot set up the SSH session: " + SessionError());
            return;
        }
    }
    ssh_set_blocking(s, 0);
    phase_ = Phase::kHandshake;
}

bool LibsshClient::StepHandshake() {
    socketHandedOver_ = true;  // from here on libssh may close it on errors
    const int rc = ssh_connect(session_.get());
    if (rc == SSH_AGAIN) {
        return false;
    }
    if (rc != SSH_OK) {
        const std::string error = SessionError();
        Trace("SSH handshake failed: ", error);
        if (LooksLikeLostConnection(error)) {
            // A server that finds nothing it speaks among our algorithms may
            // hang up before libssh has compared the lists itself.
            const std::string why = policy_ == AlgorithmPolicy::kModernOnly
                                        ? " (it may need older algorithms, and only modern "
                                          "algorithms are allowed)"
                                        : "";
            Fail(kFailureHandshake, "The server " + HostAndAddress() + " port " +
                                        std::to_string(port_) +
                                        " closed the connection during the SSH handshake" + why);
        } else {
            Fail(kFailureHandshake, "SSH handshake with " + HostAndAddress() + " port " +
                                        std::to_string(port_) + " failed: " + error +
                                        WhyNoMatch(error));
        }
        return false;
    }
    if (!DeliverHostInformation()) {
        return false;
    }
    phase_ = Phase::kLogin;
    return true;
}

// Why no algorithm matched, when the reason is on our side.
std::string LibsshClient::WhyNoMatch(const std::string& error) const {
    if (error.find("no match for method") == std::string::npos) {
        return {};
    }
    if (policy_ == AlgorithmPolicy::kModernOnly) {
        return " (only modern algorithms are allowed)";
    }
    if (error.find("host key algo: server [ssh-dss]") != std::string::npos && !LibraryHasDsa()) {
        return " (this build's SSH library has no DSA)";
    }
    return {};
}

bool LibsshClient::DeliverHostInformation() {
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
    const std::string protocol = "SSH2";
    const std::string remoteName = OrUnknown(ssh_get_serverbanner(s));
    const std::string scCipher = CipherAndMac(ssh_get_cipher_in(s), ssh_get_hmac_in(s));
    const std::string csCipher = CipherAndMac(ssh_get_cipher_out(s), ssh_get_hmac_out(s));
    const std::string keys = OrUnknown(ssh_get_kex_algo(s)) + ", " + hostKeyType;
    Trace("SSH handshake done after ",
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count(),
          " ms: ", protocol, ", ", remoteName, ", key exchange ", keys, ", server to client ",
          scCipher, ", client to server ", csCipher, ", host key ", fingerprint);

    bool accept = true;
    Notify([&](SshNotifications& sink) {
        sink.CryptoInformation(protocol, remoteName, scCipher, csCipher, keys, accept);
    });
    if (phase_ == Phase::kEnded) {
        return false;
    }
    if (!accept) {
        Fail(kFailureHostRejected,
             "The encryption of the connection to " + HostAndAddress() + " was not accepted");
        return false;
    }
    accept = true;
    Notify([&](SshNotifications& sink) { sink.HostFingerprint(fingerprint, accept); });
    if (phase_ == Phase::kEnded) {
        return false;
    }
    if (!accept) {
        Fail(kFailureHostRejected,
             "The host key of " + HostAndAddress() + " (" + fingerprint + ") was not accepted");
        return false;
    }
    if (const std::string refusal = CheckKnownHost(s, knownHosts_, host_, fingerprint);
        !refusal.empty()) {
        Fail(kFailureHostRejected, refusal);
        return false;
    }
    return true;
}

// One request of the current login method: SSH_AUTH_SUCCESS, _DENIED,
// _PARTIAL, _ERROR, _AGAIN, or _INFO when prompts are to be answered.
int LibsshClient::TryLoginMethod() {
    ssh_session s = session_.get();
    switch (loginStage_) {
        case LoginStage::kKey:
            return ssh_userauth_publickey(s, nullptr, loginKey_.get());
        case LoginStage::kPassword:
            return ssh_userauth_password(s, nullptr, password_.c_str());
        case LoginStage::kKeyboardInteractive:
            return ssh_userauth_kbdint(s, nullptr, nullptr);
    }
    return SSH_AUTH_ERROR;
}

// A round of keyboard-interactive prompts: the password for every prompt
// that does not echo, an empty answer for the others. The next request
// sends the answers.
bool LibsshClient::AnswerPrompts() {
    // Servers ask for a password, perhaps a notice or two; more is a loop.
    constexpr int kMaxPromptRounds = 5;
    ssh_session s = session_.get();
    if (++promptRounds_ > kMaxPromptRounds) {
        Fail(kFailureLogin,
             "Login failed for user " + user_ + " (" + methodsTried_ + ": the server kept asking)");
        return false;
    }
    const int count = ssh_userauth_kbdint_getnprompts(s);
    Trace("SSH keyboard-interactive round ", promptRounds_, ", ", count < 0 ? 0 : count,
          " prompts");
    for (int i = 0; i < count; ++i) {
        char echo = 0;
        const char* prompt = ssh_userauth_kbdint_getprompt(s, static_cast<unsigned int>(i), &echo);
        const char* answer = echo != 0 ? "" : password_.c_str();
        Trace("SSH prompt \"", prompt != nullptr ? prompt : "", "\" answered",
              echo != 0 ? " empty" : " with the password");
        if (ssh_userauth_kbdint_setanswer(s, static_cast<unsigned int>(i), answer) < 0) {
            Fail(kFailureLogin, "Login failed for user " + user_ + ": " + SessionError());
            return false;
        }
    }
    return true;
}

bool LibsshClient::StepLogin() {
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
    Trace("SSH logged in as ", user_, " after ",
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count(),
          " ms");
    Notify([](SshNotifications& sink) { sink.Connected(0, ""); });
    if (phase_ == Phase::kEnded) {
        return false;
    }
    if (command_.empty()) {
        Trace("SSH no command to run");
        FinishNormally();
        return false;
    }
    phase_ = Phase::kOpenChannel;
    return true;
}

// A login request that did not succeed: true when another method is to be
// tried, else the attempt fails.
bool LibsshClient::TryNextLoginMethod(int rc) {
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
        Fail(kFailureLogin, "Login failed for user " + user_ + " (" + methodsTried_ + ")");
        return false;
    }
    switch (rc) {
        case SSH_AUTH_DENIED:
            return TryKeyAgain();
        case SSH_AUTH_PARTIAL:
            Fail(kFailureLogin,
                 "Login for user " + user_ + " needs a further method, which is not supported");
            return false;
        default: {
            const std::string error = SessionError();
            Trace("SSH login error: ", error);
            if (SessionBroken() && LooksLikeLostConnection(error)) {
                Fail(kFailureConnectionLost, "Connection lost during the login");
            } else {
                Fail(kFailureLogin, "Login failed for user " + user_ + ": " + error);
            }
            return false;
        }
    }
}

// The server refused the key. An RSA key goes once more with SHA-1
// signatures (ssh-rsa): servers that announce the SHA-2 ones may still take
// only SHA-1 for users' keys.
bool LibsshClient::TryKeyAgain() {
    const std::string type = KeyTypeName(loginKey_.get());
    if (type == "ssh-dss" && !LibraryHasDsa()) {
        Fail(kFailureLogin, "DSA keys cannot log in: this build's SSH library has no DSA");
        return false;
    }
    if (type == "ssh-rsa" && !rsaSha1Tried_) {
        if (policy_ == AlgorithmPolicy::kModernOnly) {
            Fail(kFailureLogin, "The server refused the key for user " + user_ +
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
    Fail(kFailureLogin, "The server refused the key for user " + user_);
    return false;
}

bool LibsshClient::StepOpenChannel() {
    if (channel_ == nullptr) {
        channel_ = ssh_channel_new(session_.get());
        if (channel_ == nullptr) {
            Fail(kFailureCommand, "Cannot create an SSH channel: " + SessionError());
            return false;
        }
        channelCallbacks_ = {};
        channelCallbacks_.userdata = this;
        channelCallbacks_.channel_close_function = &LibsshClient::OnChannelClose;
        channelCallbacks_.channel_exit_status_function = &LibsshClient::OnExitStatus;
        channelCallbacks_.channel_exit_signal_function = &LibsshClient::OnExitSignal;
        ssh_callbacks_init(&channelCallbacks_);
        ssh_set_channel_callbacks(channel_, &channelCallbacks_);
    }
    const int rc = ssh_channel_open_session(channel_);
    if (rc == SSH_AGAIN) {
        return false;
    }
    if (rc != SSH_OK) {
        FailRequest("The server refused to open a session: ");
        return false;
    }
    phase_ = Phase::kExec;
    return true;
}

bool LibsshClient::StepExec() {
    const int rc = ssh_channel_request_exec(channel_, command_.c_str());
    if (rc == SSH_AGAIN) {
        return false;
    }
    if (rc != SSH_OK) {
        FailRequest("The server refused to run the command: ");
        return false;
    }
    Trace("SSH command started: ", command_);
    phase_ = Phase::kReading;
    return true;
}

bool LibsshClient::StepReading() {
    bool progressed = false;
    while (!stdoutEnded_) {
        const int n = ssh_channel_read_nonblocking(channel_, readBuffer_.data(),
                                                   static_cast<uint32_t>(readBuffer_.size()), 0);
        if (n > 0) {
            if (received_.size() + static_cast<std::size_t>(n) > kMaxUntaken) {
                received_.clear();  // nobody takes it: drop the oldest
            }
            received_.append(readBuffer_.data(), static_cast<std::size_t>(n));
            const auto count = static_cast<std::int16_t>(n);
            Notify([count](SshNotifications& sink) { sink.Received(count); });
            if (phase_ == Phase::kEnded) {
                return false;
            }
            progressed = true;
            continue;
        }
        if (n == SSH_EOF) {
            stdoutEnded_ = true;
            break;
        }
        if (n == 0) {
            if (remoteClosed_) {
                stdoutEnded_ = true;  // closed without an end of output
            }
            break;
        }
        Trace("SSH read failed: ", SessionError());
        Fail(kFailureConnectionLost, "Connection lost before the command ended");
        return false;
    }
    const bool closedBefore = remoteClosed_;
    const bool statusBefore = exitStatusKnown_;
    const bool signalBefore = !exitSignal_.empty();
    DrainStandardError();
    if (phase_ == Phase::kEnded) {
        return false;
    }
    if (!stdoutEnded_) {
        // Reading standard error takes in whatever packets have come, those of
        // standard output too (its data, its end, the channel's close). They
        // are out of the socket now: waiting on it would wait for nothing.
        const bool newsOfTheEnd = remoteClosed_ != closedBefore ||
                                  exitStatusKnown_ != statusBefore ||
                                  exitSignal_.empty() == signalBefore;
        return progressed || newsOfTheEnd || ssh_channel_poll(channel_, 0) != 0;
    }
    if (!exitStatusKnown_ && exitSignal_.empty() && !remoteClosed_) {
        // Handles the packets that have come without waiting for more; the
        // callbacks note the exit status and the close.
        ssh_channel_get_exit_status(channel_);
        if (SessionBroken()) {
            Trace("SSH connection lost after the output: ", SessionError());
            Fail(kFailureConnectionLost, "Connection lost before the command ended");
            return false;
        }
    }
    if (!exitSignal_.empty()) {
        Fail(kFailureCommand, "The remote command was ended by signal " + exitSignal_);
        return false;
    }
    if (exitStatusKnown_ || remoteClosed_) {
        FinishNormally();
        return false;
    }
    return progressed;
}

void LibsshClient::DrainStandardError() {
    for (;;) {
        const int n = ssh_channel_read_nonblocking(channel_, readBuffer_.data(),
                                                   static_cast<uint32_t>(readBuffer_.size()), 1);
        if (n > 0) {
            if (stderrText_.size() < kMaxStderrTrace) {
                stderrText_.append(
                    readBuffer_.data(),
                    std::min(static_cast<std::size_t>(n), kMaxStderrTrace - stderrText_.size()));
            }
            continue;
        }
        if (n == SSH_ERROR) {
            Trace("SSH read failed: ", SessionError());
            Fail(kFailureConnectionLost, "Connection lost before the command ended");
        }
        return;
    }
}

void LibsshClient::FinishNormally() {
    if (!stderrText_.empty()) {
        Trace("SSH standard error output: ", stderrText_);
    }
    if (exitStatusKnown_) {
        Trace("SSH command ended, exit status ", exitStatus_);
    } else if (!command_.empty()) {
        Trace("SSH command ended, no exit status");
    }
    CloseSession(true);
    phase_ = Phase::kEnded;
    Trace("SSH attempt ended after ",
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count(),
          " ms");
    Notify([](SshNotifications& sink) { sink.Disconnected(); });
}

// A channel request that failed: the server said no, or the connection went.
void LibsshClient::FailRequest(const std::string& refusal) {
    if (SessionBroken()) {
        Fail(kFailureConnectionLost, "Connection lost before the command ended");
    } else {
        Fail(kFailureCommand, refusal + SessionError());
    }
}

void LibsshClient::Fail(std::int16_t code, const std::string& text) {
    if (phase_ == Phase::kEnded) {
        return;
    }
    if (!stderrText_.empty()) {
        Trace("SSH standard error output: ", stderrText_);
    }
    Trace("SSH failure: ", text);
    phase_ = Phase::kEnded;  // from here on no other outcome
    Notify([&](SshNotifications& sink) { sink.Connected(code, text); });
    CloseSession(false);
    Notify([](SshNotifications& sink) { sink.Disconnected(); });
}

void LibsshClient::Notify(auto&& call) {
    if (sink_ != nullptr) {
        call(*sink_);
    }
}

void LibsshClient::CloseSession(bool graceful) {
    resolveJob_.reset();  // a running lookup finishes on its own
    if (session_) {
        ssh_session s = session_.get();
        const bool libsshHoldsSocket = socketHandedOver_ && ssh_get_fd(s) != SSH_INVALID_SOCKET;
        if (graceful && channel_ != nullptr && libsshHoldsSocket) {
            ssh_channel_close(channel_);  // EOF and close, sent without waiting
        }
        // Sends the disconnect message without waiting, frees the channels and
        // leaves the socket alone (it came through SSH_OPTIONS_FD).
        ssh_disconnect(s);
        channel_ = nullptr;
        session_.reset();
        if (socketHandedOver_ && !libsshHoldsSocket) {
            // libssh closed the socket itself after an error: the number is
            // no longer ours to close.
            socket_.Release();
        }
    }
    socket_.Close();
}

bool LibsshClient::SessionBroken() const {
    if (!session_) {
        return true;
    }
    return (ssh_get_status(session_.get()) & (SSH_CLOSED | SSH_CLOSED_ERROR)) != 0 ||
           ssh_is_connected(session_.get()) == 0;
}

std::string LibsshClient::SessionError() const {
    if (!session_) {
        return "no session";
    }
    const char* error = ssh_get_error(session_.get());
    return error != nullptr && *error != '\0' ? error : "unknown error";
}

std::string LibsshClient::HostAndAddress() const {
    const std::string& address = phase_ == Phase::kConnecting || currentAddress_.empty()
                                     ? lastConnectAddress_
                                     : currentAddress_;
    if (address.empty() || address == host_) {
        return host_;
    }
    return host_ + " (" + address + ")";
}

std::string LibsshClient::PhaseName() const {
    switch (phase_) {
        case Phase::kStart:
        case Phase::kResolving:
            return "resolving the host name";
        case Phase::kConnecting:
            return "connecting";
        case Phase::kHandshake:
            return "in the SSH handshake";
        case Phase::kLogin:
            return "logging in";
        case Phase::kOpenChannel:
        case Phase::kExec:
            return "starting the command";
        case Phase::kReading:
            return stdoutEnded_ ? "waiting for the command's end" : "reading the output";
        default:
            return "idle";
    }
}

SshWaitHint LibsshClient::WaitHint() const {
    SshWaitHint hint;
    switch (phase_) {
        case Phase::kIdle:
            return hint;  // nothing started: nothing to wait for
        case Phase::kEnded:
        case Phase::kStart:
        case Phase::kFailPending:
            hint.wakeAt = Clock::time_point::min();  // Process has work now
            return hint;
        case Phase::kResolving:
            hint.wakeAt = deadline_;
            hint.socket = resolveJob_ ? resolveJob_->WakeHandle() : net::kNoSocket;
            hint.wantRead = hint.socket != net::kNoSocket;
            if (!hint.wantRead) {
                // no wake handle (Windows): look again in a moment
                hint.wakeAt = std::min(deadline_, Clock::now() + std::chrono::milliseconds(10));
            }
            return hint;
        case Phase::kConnecting:
            hint.socket = socket_.Get();
            hint.wantWrite = true;
            hint.wakeAt = nextAddress_ < addresses_.size() ? std::min(deadline_, addressDeadline_)
                                                           : deadline_;
            return hint;
        default:
            hint.socket = socket_.Get();
            hint.wantRead = true;
            hint.wantWrite = session_ && (ssh_get_poll_flags(session_.get()) & SSH_WRITE_PENDING);
            hint.wakeAt = deadline_;
            return hint;
    }
}

void LibsshClient::OnChannelClose(ssh_session, ssh_channel, void* self) {
    static_cast<LibsshClient*>(self)->remoteClosed_ = true;
}

void LibsshClient::OnExitStatus(ssh_session, ssh_channel, int status, void* self) {
    auto* client = static_cast<LibsshClient*>(self);
    client->exitStatusKnown_ = true;
    client->exitStatus_ = status;
}

void LibsshClient::OnExitSignal(ssh_session, ssh_channel, const char* signal, int /*core*/,
                                const char* /*errmsg*/, const char* /*lang*/, void* self) {
    static_cast<LibsshClient*>(self)->exitSignal_ = OrUnknown(signal);
}

}  // namespace tavrix::libssh
