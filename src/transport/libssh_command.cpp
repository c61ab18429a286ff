#include "transport/libssh_command.h"

#include <algorithm>
#include <utility>

#include "support/trace.h"

namespace tavrix::libssh {

namespace {

// Received carries a 16-bit count.
constexpr std::size_t kMaxPiece = 32767;
// Standard error output kept for the trace.
constexpr std::size_t kMaxStderrTrace = 2000;

}  // namespace

LibsshCommand::LibsshCommand(LibsshSession& session, CommandListener& listener)
    : session_(session), listener_(listener), readBuffer_(kMaxPiece) {}

LibsshCommand::~LibsshCommand() {
    if (channel_ != nullptr && session_.Handle() != nullptr) {
        ssh_channel_free(channel_);
    }
}

void LibsshCommand::Start(std::string command) {
    command_ = std::move(command);
    state_ = State::kOpenChannel;
}

bool LibsshCommand::Step() {
    switch (state_) {
        case State::kOpenChannel:
            return StepOpenChannel();
        case State::kExec:
            return StepExec();
        case State::kReading:
            return StepReading();
        default:
            return false;
    }
}

bool LibsshCommand::StepOpenChannel() {
    if (channel_ == nullptr) {
        channel_ = ssh_channel_new(session_.Handle());
        if (channel_ == nullptr) {
            Fail(kFailureCommand, "Cannot create an SSH channel: " + session_.Error());
            return false;
        }
        channelCallbacks_ = {};
        channelCallbacks_.userdata = this;
        channelCallbacks_.channel_close_function = &LibsshCommand::OnChannelClose;
        channelCallbacks_.channel_exit_status_function = &LibsshCommand::OnExitStatus;
        channelCallbacks_.channel_exit_signal_function = &LibsshCommand::OnExitSignal;
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
    state_ = State::kExec;
    return true;
}

bool LibsshCommand::StepExec() {
    const int rc = ssh_channel_request_exec(channel_, command_.c_str());
    if (rc == SSH_AGAIN) {
        return false;
    }
    if (rc != SSH_OK) {
        FailRequest("The server refused to run the command: ");
        return false;
    }
    Trace("SSH command started: ", command_);
    state_ = State::kReading;
    return true;
}

bool LibsshCommand::StepReading() {
    bool progressed = false;
    while (!stdoutEnded_) {
        const int n = ssh_channel_read_nonblocking(channel_, readBuffer_.data(),
                                                   static_cast<uint32_t>(readBuffer_.size()), 0);
        if (n > 0) {
            if (!listener_.CommandOutput(readBuffer_.data(), static_cast<std::size_t>(n))) {
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
        Trace("SSH read failed: ", session_.Error());
        Fail(kFailureConnectionLost, "Connection lost before the command ended");
        return false;
    }
    const bool closedBefore = remoteClosed_;
    const bool statusBefore = exitStatusKnown_;
    const bool signalBefore = !exitSignal_.empty();
    DrainStandardError();
    if (state_ == State::kFailed) {
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
        if (session_.Broken()) {
            Trace("SSH connection lost after the output: ", session_.Error());
            Fail(kFailureConnectionLost, "Connection lost before the command ended");
            return false;
        }
    }
    if (!exitSignal_.empty()) {
        Fail(kFailureCommand, "The remote command was ended by signal " + exitSignal_);
        return false;
    }
    if (exitStatusKnown_ || remoteClosed_) {
        state_ = State::kDone;
        return false;
    }
    return progressed;
}

void LibsshCommand::DrainStandardError() {
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
            Trace("SSH read failed: ", session_.Error());
            Fail(kFailureConnectionLost, "Connection lost before the command ended");
        }
        return;
    }
}

// A channel request that failed: the server said no, or the connection went.
void LibsshCommand::FailRequest(const std::string& refusal) {
    if (session_.Broken()) {
        Fail(kFailureConnectionLost, "Connection lost before the command ended");
    } else {
        Fail(kFailureCommand, refusal + session_.Error());
    }
}

void LibsshCommand::Fail(std::int16_t code, const std::string& text) {
    state_ = State::kFailed;
    listener_.CommandFailed(code, text);
}

void LibsshCommand::CloseChannel() {
    if (channel_ != nullptr && session_.SocketLive()) {
        ssh_channel_close(channel_);  // EOF and close, sent without waiting
    }
}

void LibsshCommand::TraceStandardError() const {
    if (!stderrText_.empty()) {
        Trace("SSH standard error output: ", stderrText_);
    }
}

void LibsshCommand::TraceEnd() const {
    TraceStandardError();
    if (exitStatusKnown_) {
        Trace("SSH command ended, exit status ", exitStatus_);
    } else {
        Trace("SSH command ended, no exit status");
    }
}

std::string LibsshCommand::PhaseName() const {
    switch (state_) {
        case State::kReading:
            return stdoutEnded_ ? "waiting for the command's end" : "reading the output";
        default:
            return "starting the command";
    }
}

void LibsshCommand::OnChannelClose(ssh_session, ssh_channel, void* self) {
    static_cast<LibsshCommand*>(self)->remoteClosed_ = true;
}

void LibsshCommand::OnExitStatus(ssh_session, ssh_channel, int status, void* self) {
    auto* command = static_cast<LibsshCommand*>(self);
    command->exitStatusKnown_ = true;
    command->exitStatus_ = status;
}

void LibsshCommand::OnExitSignal(ssh_session, ssh_channel, const char* signal, int /*core*/,
                                 const char* /*errmsg*/, const char* /*lang*/, void* self) {
    static_cast<LibsshCommand*>(self)->exitSignal_ =
        signal != nullptr && *signal != '\0' ? signal : "unknown";
}

}  // namespace tavrix::libssh
