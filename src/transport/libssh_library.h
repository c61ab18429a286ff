#pragma once
// libssh as a process-wide library: initialised once (pthread threading), its
// log sent through one callback, and a per-thread capture of that log, since
// libssh tells why a key failed to load only there.

#include <string>

#include "support/secret.h"

namespace tavrix::libssh {

// Initialises libssh once per process; every client and key calls it first.
void EnsureLibrary();

// Collects libssh's warnings logged on this thread while it lives (nested
// captures each see what was logged during their own life).
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The messages so far, joined by "; " (libssh's function names removed).
    std::string Text() const;

  private:
    std::string text_;
    LogCapture* previous_;
    friend void Deliver(const char* function, const char* message);
};

// Called by the log callback; public for that only.
void Deliver(const char* function, const char* message);

// Overwrites a C string that held a secret before it is freed or reused.
void Wipe(char* secret);
using ::tavrix::Wipe;

}  // namespace tavrix::libssh
