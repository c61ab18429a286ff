#include "transport/held_client.h"

#include <algorithm>
#include <utility>

#include "support/failure.h"
#include "support/secret.h"
#include "support/sha256.h"
#include "support/trace.h"
#include "transport/libssh_key.h"
#include "transport/persist_paths.h"
#include "transport/persist_protocol.h"
#include "transport/persist_socket.h"

namespace tavrix::persist {

namespace {

// Received carries a 16-bit count.
constexpr std::size_t kMaxPiece = 32767;
// More than a df listing can hold (the query stops at 64 MiB): such output
// goes through a login of the check's own, which ends it the usual way.
constexpr std::size_t kMaxHeldOutput = 65 * 1024 * 1024;

void AppendField(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out.push_back(':');
    out += field;
}

}  // namespace

HeldClient::HeldClient(std::shared_ptr<PersistContext> context,
                       std::unique_ptr<libssh::LibsshClient> direct)
    : context_(std::move(context)), direct_(std::move(direct)) {
    direct_->SetKeepSession(true);
}

HeldClient::~HeldClient() {
    Wipe(password_);
}

void HeldClient::SetNotifications(SshNotifications* sink) {
    sink_ = sink;
}

void HeldClient::SetPresetFlag(bool flag) {
    direct_->SetPresetFlag(flag);
}

void HeldClient::SetHost(const std::string& host) {
    host_ = host;
    direct_->SetHost(host);
}

void HeldClient::SetPresetNumber(int number) {
    direct_->SetPresetNumber(number);
}

void HeldClient::SetUser(const std::string& user) {
    user_ = user;
    direct_->SetUser(user);
}

void HeldClient::SetPassword(const std::string& password) {
    Wipe(password_);
    password_ = password;
    direct_->SetPassword(password);
}

void HeldClient::SetLoginMethod(int method) {
    loginMethod_ = method;
    direct_->SetLoginMethod(method);
}

void HeldClient::SetLoginKey(const std::string& key) {
    direct_->SetLoginKey(key);  // throws for a text that is no key
    // The exported text of one key differs from export to export (OpenSSH's
    // format carries random check numbers): its public half names it.
    loginKeyId_ = libssh::PublicKeyText(direct_->LoginKey());
    if (loginKeyId_.empty()) {
        loginKeyId_ = libssh::FingerprintOf(direct_->LoginKey());
    }
}

void HeldClient::SetCommand(const std::string& command) {
    command_ = command;
    direct_->SetCommand(command);
}

void HeldClient::SetProtocolChoice(int choice) {
    protocolChoice_ = choice;
    direct_->SetProtocolChoice(choice);
}

void HeldClient::SetPort(std::int16_t port) {
    port_ = static_cast<std::uint16_t>(port);
    direct_->SetPort(port);
}

void HeldClient::SetTimeLimit(std::int16_t seconds) {
    timeLimitSeconds_ = seconds <= 0 ? 60 : seconds;
    direct_->SetTimeLimit(seconds);
}

void HeldClient::PreferHostKeyType(const std::string& keyType) {
    direct_->PreferHostKeyType(keyType);
}

// Everything that decides whether a session may be trusted with this login:
// a different password, key, pin, known-hosts file or policy never matches.
std::string HeldClient::Digest() const {
    std::string text = "tavrix-held-session-2";
    AppendField(text, host_);
    AppendField(text, std::to_string(port_ == 0 ? 22 : port_));
    AppendField(text, user_);
    AppendField(text, password_);
    AppendField(text, std::to_string(loginMethod_));
    AppendField(text, loginMethod_ == kLoginByKey ? loginKeyId_ : std::string());
    AppendField(text, context_->pin);
    AppendField(text, std::to_string(static_cast<int>(context_->knownHosts.policy)));
    AppendField(text, context_->knownHosts.file);
    AppendField(text, std::to_string(static_cast<int>(context_->policy)));
    std::string digest = Sha256(text);
    Wipe(text);
    return digest;
}

// A login key that cannot be named could not be told from another one.
bool HeldClient::Shareable() const {
    return loginMethod_ != kLoginByKey || (!loginKeyId_.empty() && loginKeyId_ != "unknown");
}

void HeldClient::OpenConnection() {
    // Refuses what a login of its own would refuse, and fixes its deadline.
    direct_->SetNotifications(nullptr);
    direct_->OpenConnection();
    started_ = Clock::now();
    deadline_ = started_ + std::chrono::seconds(timeLimitSeconds_);
    if (port_ == 0) {
        port_ = 22;
    }
    mode_ = protocolChoice_ != kProtocolSsh1 && Shareable() && StartHeld() ? Mode::kHeld
                                                                           : Mode::kDirect;
    if (mode_ == Mode::kDirect) {
        direct_->SetNotifications(sink_);
    }
}

bool HeldClient::StartHeld() {
    try {
        const std::string path =
            HolderDirectory() + "/" + HolderName(host_, port_, user_) + ".sock";
        holder_ = ConnectToHolder(path);
        if (!holder_.Valid()) {
            Trace("SSH no session holder for ", host_, " port ", port_, " as ", user_);
            return false;
        }
        RunRequest request;
        request.digest = Digest();
        request.command = command_;
        request.timeLimitMs = static_cast<std::uint32_t>(timeLimitSeconds_) * 1000U / 2U;
        request.persistSeconds = static_cast<std::uint32_t>(context_->persistSeconds);
        outgoing_ = EncodeRun(request);
        Wipe(request.digest);
    } catch (const std::exception& error) {
        Trace("SSH session holder not asked: ", error.what());
        holder_.Close();
        return false;
    }
    // Half the time limit: the other half is for a login of its own.
    heldDeadline_ = started_ + (deadline_ - started_) / 2;
    Trace("SSH asking the session holder for ", host_, " port ", port_, " as ", user_);
    return true;
}

void HeldClient::Process() {
    if (mode_ == Mode::kHeld) {
        ProcessHeld();
    }
    if (mode_ == Mode::kDirect) {
        direct_->Process();
        if (direct_->Ended()) {
            KeepDirectSession();
        }
    }
}

void HeldClient::ProcessHeld() {
    if (Clock::now() >= heldDeadline_) {
        FallBack("no answer within half the time limit");
        return;
    }
    if (!outgoing_.empty()) {
        const long sent = SendSome(holder_, outgoing_);
        if (sent < 0) {
            FallBack("the holder went away");
            return;
        }
        outgoing_.erase(0, static_cast<std::size_t>(sent));
    }
    bool closed = false;
    for (;;) {
        const long got = ReceiveSome(holder_, incoming_);
        if (got == kNothingYet) {
            break;
        }
        if (got <= 0) {
            closed = true;  // what came before the close is read first
            break;
        }
        if (incoming_.size() > kMaxHeldOutput) {
            FallBack("more output than a df listing can hold");
            return;
        }
    }
    try {
        while (std::optional<Frame> frame = TakeFrame(incoming_)) {
            if (!HandleFrame(frame->type, frame->payload)) {
                return;
            }
        }
    } catch (const std::exception& error) {
        FallBack(error.what());
        return;
    }
    if (closed) {
        FallBack("the holder closed the connection before the command's end");
    }
}

// False once the held attempt is over (delivered or given up).
bool HeldClient::HandleFrame(char type, const std::string& payload) {
    switch (type) {
        case kRefused:
            FallBack("the holder refused: " + PayloadReader(payload).Text());
            return false;
        case kAccepted: {
            PayloadReader reader(payload);
            protocol_ = reader.Text();
            remoteName_ = reader.Text();
            scCipher_ = reader.Text();
            csCipher_ = reader.Text();
            keys_ = reader.Text();
            fingerprint_ = reader.Text();
            accepted_ = true;
            return true;
        }
        case kOutput:
            if (!accepted_ || output_.size() + payload.size() > kMaxHeldOutput) {
                FallBack("unexpected output from the holder");
                return false;
            }
            output_ += payload;
            return true;
        case kEnd: {
            PayloadReader reader(payload);
            const auto code = static_cast<std::int16_t>(reader.Number());
            const std::string text = reader.Text();
            if (!accepted_ || code != 0) {
                FallBack("the held session failed: " + text);
                return false;
            }
            Deliver();
            return false;
        }
        default:
            FallBack("an unknown answer from the holder");
            return false;
    }
}

void HeldClient::FallBack(const std::string& why) {
    Trace("SSH held session not used (", why, "); logging in");
    holder_.Close();
    output_.clear();
    incoming_.clear();
    mode_ = Mode::kDirect;
    direct_->SetNotifications(sink_);
    direct_->SetDeadline(deadline_);
}

// The same notifications as a login of its own, in the same order.
void HeldClient::Deliver() {
    holder_.Close();
    Trace("SSH held session served ", host_, " after ",
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count(),
          " ms: ", keys_, ", host key ", fingerprint_);
    bool accept = true;
    if (sink_ != nullptr) {
        sink_->CryptoInformation(protocol_, remoteName_, scCipher_, csCipher_, keys_, accept);
    }
    if (!accept) {
        EndWith(libssh::kFailureHostRejected,
                "The encryption of the connection to " + host_ + " was not accepted");
        return;
    }
    if (sink_ != nullptr) {
        sink_->HostFingerprint(fingerprint_, accept);
    }
    if (!accept) {
        EndWith(libssh::kFailureHostRejected,
                "The host key of " + host_ + " (" + fingerprint_ + ") was not accepted");
        return;
    }
    if (sink_ != nullptr) {
        sink_->Connected(0, "");
    }
    for (std::size_t at = 0; at < output_.size() && mode_ == Mode::kHeld; at += kMaxPiece) {
        const std::string_view piece = std::string_view(output_).substr(at, kMaxPiece);
        received_.append(piece);
        if (sink_ != nullptr) {
            sink_->Received(static_cast<std::int16_t>(piece.size()));
        }
    }
    output_.clear();
    mode_ = Mode::kEnded;
    if (sink_ != nullptr) {
        sink_->Disconnected();
    }
}

void HeldClient::EndWith(std::int16_t code, const std::string& text) {
    Trace("SSH failure: ", text);
    mode_ = Mode::kEnded;
    if (sink_ != nullptr) {
        sink_->Connected(code, text);
        sink_->Disconnected();
    }
}

void HeldClient::KeepDirectSession() {
    std::unique_ptr<libssh::LibsshSession> session = direct_->TakeSession();
    if (!session || context_->keptSession || !Shareable()) {
        return;
    }
    context_->keptSession = std::move(session);
    context_->keptDigest = Digest();
    context_->host = host_;
    context_->port = port_;
    context_->user = user_;
}

std::string HeldClient::TakeReceived(std::int16_t byteCount, int format) {
    if (mode_ == Mode::kDirect) {
        return direct_->TakeReceived(byteCount, format);
    }
    return libssh::TakeReceivedText(received_, byteCount, format);
}

SshWaitHint HeldClient::WaitHint() const {
    switch (mode_) {
        case Mode::kDirect:
            return direct_->WaitHint();
        case Mode::kHeld: {
            SshWaitHint hint;
            hint.socket = holder_.Get();
            hint.wantRead = true;
            hint.wantWrite = !outgoing_.empty();
            hint.wakeAt = heldDeadline_;
            return hint;
        }
        case Mode::kEnded: {
            SshWaitHint hint;
            hint.wakeAt = Clock::time_point::min();
            return hint;
        }
        case Mode::kIdle:
            break;
    }
    return {};
}

bool HeldClient::Ended() const {
    return mode_ == Mode::kEnded || (mode_ == Mode::kDirect && direct_->Ended());
}

}  // namespace tavrix::persist
