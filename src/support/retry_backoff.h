#pragma once
// When to try a connection again after the server shed it: a wait that grows
// with each failed attempt, randomised so that checks that started together
// do not come back together, and only while the one time limit leaves room
// for the wait and a whole attempt after it.

#include <chrono>
#include <optional>

namespace tavrix {

struct RetryBackoff {
    using Duration = std::chrono::milliseconds;

    Duration first{250};  // the longest wait after the first failed attempt
    int growth = 2;       // each further wait may be this many times longer
    Duration longest{4000};
    // The share of the wait that is random: 0.75 draws from [d/4, d].
    double jitter = 0.75;
    // What one whole attempt needs (connect, handshake, login, command).
    Duration attemptRoom{2000};

    // The wait before the next attempt, after `failedAttempts` (1, 2, ...)
    // attempts, with `timeLeft` until the deadline; `random` is uniform in
    // [0, 1). Nothing when the wait and a whole attempt do not fit.
    std::optional<Duration> NextWait(int failedAttempts, Duration timeLeft, double random) const;
};

}  // namespace tavrix
