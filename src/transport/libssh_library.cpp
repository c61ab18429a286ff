#include "transport/libssh_library.h"

#include "transport/libssh_headers.h"

#include <cstring>
#include <mutex>

#include "support/failure.h"
#include "support/trace.h"

namespace tavrix::libssh {

namespace {

thread_local LogCapture* tCapture = nullptr;

void LogCallback(int priority, const char* function, const char* buffer, void* /*userdata*/) {
    if (priority > SSH_LOG_WARN || buffer == nullptr) {
        return;
    }
    Deliver(function, buffer);
}

}  // namespace

void EnsureLibrary() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
    // Sessions run on several threads side by side: set libssh's locking
    // before ssh_init. pthread here; on Windows whatever libssh was built
    // with (its default: pthread with MinGW's winpthreads, or Win32 locks).
#ifdef _WIN32
        ssh_threads_set_callbacks(ssh_threads_get_default());
#else
        ssh_threads_set_callbacks(ssh_threads_get_pthread());
#endif
        ok = ssh_init() == SSH_OK;
        // Warnings only: they carry the reasons of failures (a key that does
        // not load, a socket error) and never secrets.
        ssh_set_log_callback(LogCallback);
        ssh_set_log_level(SSH_LOG_WARN);
    });
    if (!ok) {
        throw Failure("The SSH library could not be initialised");
    }
}

LogCapture::LogCapture() : previous_(tCapture) {
    tCapture = this;
}

LogCapture::~LogCapture() {
    tCapture = previous_;
}

std::string LogCapture::Text() const {
    return text_;
}

void Deliver(const char* function, const char* message) {
    std::string_view text(message);
    // libssh writes "function: message"; keep the message.
    if (function != nullptr) {
        const std::size_t length = std::strlen(function);
        if (text.size() > length + 2 && text.compare(0, length, function) == 0 &&
            text.compare(length, 2, ": ") == 0) {
            text.remove_prefix(length + 2);
        }
    }
    if (tCapture == nullptr) {
        // Expected chatter: no known_hosts is read on purpose, the socket
        // callback is informational, and OpenSSH's host key announcement
        // (hostkeys-00@openssh.com) is not understood by libssh 0.10.
        for (std::string_view noise : {"known_hosts", "is not a regular file",
                                       "Socket connection callback", "SSH_MSG_GLOBAL_REQUEST"}) {
            if (text.find(noise) != std::string_view::npos) {
                return;
            }
        }
        Trace("libssh: ", text);
        return;
    }
    for (LogCapture* capture = tCapture; capture != nullptr; capture = capture->previous_) {
        if (!capture->text_.empty()) {
            capture->text_.append("; ");
        }
        capture->text_.append(text);
    }
}

void Wipe(char* secret) {
    if (secret == nullptr) {
        return;
    }
    volatile char* bytes = secret;
    for (std::size_t i = 0; bytes[i] != 0; ++i) {
        bytes[i] = 0;
    }
}

}  // namespace tavrix::libssh
