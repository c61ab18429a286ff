#pragma once
// The command half of an SSH attempt on libssh: open a channel on a logged-in
// session, exec, read the standard output as it comes (standard error is kept
// for the trace), and wait for the exit status or the channel's close.
// Non-blocking like the session: Step() does what is ready.

#include "transport/libssh_headers.h"

#include <cstdint>
#include <string>
#include <vector>

#include "transport/libssh_session.h"

namespace tavrix::libssh {

class CommandListener {
  public:
    virtual ~CommandListener() = default;
    // The command failed; the owner ends the attempt before it returns.
    virtual void CommandFailed(std::int16_t code, const std::string& text) = 0;
    // A piece of standard output; false when the owner ended the attempt.
    virtual bool CommandOutput(const char* data, std::size_t size) = 0;
};

class LibsshCommand {
  public:
    LibsshCommand(LibsshSession& session, CommandListener& listener);
    // Frees the channel while the session is still there.
    ~LibsshCommand();
    LibsshCommand(const LibsshCommand&) = delete;
    LibsshCommand& operator=(const LibsshCommand&) = delete;

    void Start(std::string command);
    // Does what is ready; true when it got further.
    bool Step();
    // The end of output plus the exit status or the close came.
    bool Done() const { return state_ == State::kDone; }
    bool Failed() const { return state_ == State::kFailed; }
    // Sends EOF and close without waiting (when the socket still lives).
    void CloseChannel();
    // The session is going away with the channel (ssh_disconnect frees it).
    void Forget() { channel_ = nullptr; }

    // Traces the standard error output, and the exit status when it came.
    void TraceEnd() const;
    void TraceStandardError() const;
    bool ExitStatusKnown() const { return exitStatusKnown_; }
    int ExitStatus() const { return exitStatus_; }
    std::string PhaseName() const;

  private:
    enum class State { kIdle, kOpenChannel, kExec, kReading, kDone, kFailed };

    bool StepOpenChannel();
    bool StepExec();
    bool StepReading();
    void DrainStandardError();
    void Fail(std::int16_t code, const std::string& text);
    void FailRequest(const std::string& refusal);

    static void OnChannelClose(ssh_session, ssh_channel, void* self);
    static void OnExitStatus(ssh_session, ssh_channel, int status, void* self);
    static void OnExitSignal(ssh_session, ssh_channel, const char* signal, int core,
                             const char* errmsg, const char* lang, void* self);

    LibsshSession& session_;
    CommandListener& listener_;
    State state_ = State::kIdle;
    std::string command_;
    ssh_channel channel_ = nullptr;
    ssh_channel_callbacks_struct channelCallbacks_{};
    bool stdoutEnded_ = false;
    bool remoteClosed_ = false;
    bool exitStatusKnown_ = false;
    int exitStatus_ = -1;
    std::string exitSignal_;
    std::string stderrText_;
    std::vector<char> readBuffer_;
};

}  // namespace tavrix::libssh
