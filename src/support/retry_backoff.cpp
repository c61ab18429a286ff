#include "support/retry_backoff.h"

#include <algorithm>

namespace tavrix {

std::optional<RetryBackoff::Duration> RetryBackoff::NextWait(int failedAttempts, Duration timeLeft,
                                                             double random) const {
    if (failedAttempts < 1) {
        return std::nullopt;
    }
    Duration ceiling = first;
    for (int i = 1; i < failedAttempts && ceiling < longest; ++i) {
        ceiling *= growth;
    }
    ceiling = std::min(ceiling, longest);
    const double share = std::clamp(random, 0.0, 1.0) * jitter + (1.0 - jitter);
    const Duration wait{static_cast<Duration::rep>(static_cast<double>(ceiling.count()) * share)};
    if (wait + attemptRoom > timeLeft) {
        return std::nullopt;
    }
    return wait;
}

}  // namespace tavrix
