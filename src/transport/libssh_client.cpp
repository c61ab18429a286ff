#include "transport/libssh_client.h"

#include <algorithm>
#include <utility>

#include "support/failure.h"
#include "support/secret.h"
#include "support/trace.h"
#include "transport/libssh_library.h"

namespace tavrix::libssh {

namespace {

// Received output that nobody takes is not kept without end.
constexpr std::size_t kMaxUntaken = 16 * 1024 * 1024;

std::string Seconds(int seconds) {
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

}  // namespace

LibsshClient::LibsshClient(AlgorithmPolicy policy) : policy_(policy) {
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

std::string TakeReceivedText(std::string& received, std::int16_t byteCount, int format) {
    if (format != kReceivedAsText) {
        throw Failure("TakeReceived supports format 8 (text) only");
    }
    if (byteCount <= 0) {
        return {};
    }
    const std::size_t count = std::min(received.size(), static_cast<std::size_t>(byteCount));
    std::string piece = received.substr(0, count);
    received.erase(0, count);
    return piece;
}

std::string LibsshClient::TakeReceived(std::int16_t byteCount, int format) {
    return TakeReceivedText(received_, byteCount, format);
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
            Fail(kFailureTimeout,
                 "Timed out after " + Seconds(timeLimitSeconds_) + session_->AttemptsNote());
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
        case Phase::kSession:
            return StepSession();
        case Phase::kCommand:
            return StepCommand();
        case Phase::kIdle:
        case Phase::kEnded:
            break;
    }
    return false;
}

void LibsshClient::StartAttempt() {
    SessionSettings settings;
    settings.policy = policy_;
    settings.host = host_;
    settings.port = port_;
    settings.user = user_;
    settings.password = password_;
    settings.byKey = loginMethod_ == kLoginByKey;
    settings.loginKey = loginKey_;
    settings.preferredHostKeyType = preferredHostKeyType_;
    settings.knownHosts = knownHosts_;
    phase_ = Phase::kSession;
    session_->Start(std::move(settings), started_, deadline_);
}

bool LibsshClient::StepSession() {
    const bool progressed = session_->Step();
    if (phase_ == Phase::kEnded || !session_->Ready()) {
        return progressed && phase_ != Phase::kEnded;
    }
    Notify([](SshNotifications& sink) { sink.Connected(0, ""); });
    if (phase_ == Phase::kEnded) {
        return false;
    }
    if (command_.empty()) {
        Trace("SSH no command to run");
        FinishNormally();
        return false;
    }
    runningCommand_ =
        std::make_unique<LibsshCommand>(*session_, static_cast<CommandListener&>(*this));
    runningCommand_->Start(command_);
    phase_ = Phase::kCommand;
    return true;
}

bool LibsshClient::StepCommand() {
    const bool progressed = runningCommand_->Step();
    if (phase_ == Phase::kEnded) {
        return false;
    }
    if (runningCommand_->Done()) {
        FinishNormally();
        return false;
    }
    return progressed;
}

void LibsshClient::SessionFailed(std::int16_t code, const std::string& text) {
    Fail(code, text);
}

void LibsshClient::OfferCrypto(const CryptoDetails& details, bool& accept) {
    Notify([&](SshNotifications& sink) {
        sink.CryptoInformation(details.protocol, details.remoteName, details.scCipher,
                               details.csCipher, details.keys, accept);
    });
}

void LibsshClient::OfferHostKey(const std::string& fingerprint, bool& accept) {
    Notify([&](SshNotifications& sink) { sink.HostFingerprint(fingerprint, accept); });
}

void LibsshClient::CommandFailed(std::int16_t code, const std::string& text) {
    Fail(code, text);
}

bool LibsshClient::CommandOutput(const char* data, std::size_t size) {
    if (received_.size() + size > kMaxUntaken) {
        received_.clear();  // nobody takes it: drop the oldest
    }
    received_.append(data, size);
    const auto count = static_cast<std::int16_t>(size);
    Notify([count](SshNotifications& sink) { sink.Received(count); });
    return phase_ != Phase::kEnded;
}

void LibsshClient::FinishNormally() {
    if (runningCommand_) {
        runningCommand_->TraceEnd();
    }
    if (keepSession_ && runningCommand_ && session_->Ready() && !session_->Broken()) {
        runningCommand_->CloseChannel();
        runningCommand_.reset();  // frees the channel; the session stays
        sessionKept_ = true;
    } else {
        CloseSession(true);
    }
    phase_ = Phase::kEnded;
    Trace("SSH attempt ended after ",
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count(),
          " ms");
    Notify([](SshNotifications& sink) { sink.Disconnected(); });
}

void LibsshClient::Fail(std::int16_t code, const std::string& text) {
    if (phase_ == Phase::kEnded) {
        return;
    }
    if (runningCommand_) {
        runningCommand_->TraceStandardError();
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

void LibsshClient::SetDeadline(std::chrono::steady_clock::time_point deadline) {
    deadline_ = deadline;
}

std::unique_ptr<LibsshSession> LibsshClient::TakeSession() {
    if (!sessionKept_) {
        return nullptr;
    }
    sessionKept_ = false;
    auto kept = std::move(session_);
    session_ = std::make_unique<LibsshSession>(static_cast<SessionListener&>(*this));
    return kept;
}

void LibsshClient::CloseSession(bool graceful) {
    if (runningCommand_) {
        if (graceful) {
            runningCommand_->CloseChannel();
        }
        runningCommand_->Forget();  // ssh_disconnect frees it
    }
    session_->Close();
}

std::string LibsshClient::PhaseName() const {
    switch (phase_) {
        case Phase::kStart:
        case Phase::kSession:
            return session_->PhaseName();
        case Phase::kCommand:
            return runningCommand_->PhaseName();
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
        case Phase::kSession:
        case Phase::kCommand:
            break;
    }
    return session_->WaitHint(deadline_);
}

}  // namespace tavrix::libssh
