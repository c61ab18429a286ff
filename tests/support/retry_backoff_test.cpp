#include "support/retry_backoff.h"

#include <gtest/gtest.h>

#include <chrono>

#include "query/connect_retry.h"

namespace tavrix {
namespace {

using std::chrono::milliseconds;

struct WaitCase {
    int failedAttempts;
    long timeLeftMs;
    double random;
    long expectedMs;  // -1: no further attempt
};

class RetryBackoffTest : public ::testing::TestWithParam<WaitCase> {};

// first 250 ms, growth 2, longest 4 s, jitter 0.75, room 2 s
TEST_P(RetryBackoffTest, GrowsWithJitterWithinTheDeadline) {
    const WaitCase& c = GetParam();
    const auto wait =
        RetryBackoff{}.NextWait(c.failedAttempts, milliseconds(c.timeLeftMs), c.random);
    if (c.expectedMs < 0) {
        EXPECT_FALSE(wait.has_value()) << wait->count();
    } else {
        ASSERT_TRUE(wait.has_value());
        EXPECT_EQ(wait->count(), c.expectedMs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Schedule, RetryBackoffTest,
    ::testing::Values(
        // the random share: [d/4, d)
        WaitCase{1, 20000, 0.0, 62}, WaitCase{1, 20000, 0.5, 156}, WaitCase{1, 20000, 0.9999, 249},
        // growing, up to the longest wait
        WaitCase{2, 20000, 0.0, 125}, WaitCase{3, 20000, 0.0, 250},
        WaitCase{5, 20000, 0.9999, 3999}, WaitCase{6, 20000, 0.0, 1000},
        WaitCase{1000, 20000, 0.0, 1000},
        // room for the wait and a whole attempt, or no attempt at all
        WaitCase{1, 2062, 0.0, 62}, WaitCase{1, 2061, 0.0, -1}, WaitCase{1, 1000, 0.0, -1},
        WaitCase{5, 5000, 0.9999, -1}, WaitCase{5, 3000, 0.0, 1000}, WaitCase{5, 2999, 0.0, -1},
        WaitCase{1, 0, 0.0, -1}, WaitCase{1, -5, 0.0, -1}, WaitCase{0, 20000, 0.0, -1}));

struct RetryCase {
    ConnectStage stage;
    ConnectFailure failure;
    bool retry;
};

class WorthRetryingTest : public ::testing::TestWithParam<RetryCase> {};

TEST_P(WorthRetryingTest, OnlyAConnectionShedBeforeTheLogin) {
    const RetryCase& c = GetParam();
    EXPECT_EQ(WorthRetrying(c.stage, c.failure), c.retry)
        << static_cast<int>(c.stage) << " " << static_cast<int>(c.failure);
}

using S = ConnectStage;
using F = ConnectFailure;
INSTANTIATE_TEST_SUITE_P(Failures, WorthRetryingTest,
                         ::testing::Values(RetryCase{S::kVersionExchange, F::kClosedByServer, true},
                                           RetryCase{S::kKeyExchange, F::kClosedByServer, true},
                                           RetryCase{S::kLogin, F::kClosedByServer, false},
                                           RetryCase{S::kCommand, F::kClosedByServer, false},
                                           RetryCase{S::kHostKeyCheck, F::kHostKeyRejected, false},
                                           RetryCase{S::kConnecting, F::kRefused, false},
                                           RetryCase{S::kResolving, F::kUnresolved, false},
                                           RetryCase{S::kKeyExchange, F::kAlgorithmMismatch, false},
                                           RetryCase{S::kVersionExchange, F::kTimedOut, false},
                                           RetryCase{S::kLogin, F::kLoginRefused, false},
                                           RetryCase{S::kKeyExchange, F::kOther, false}));

}  // namespace
}  // namespace tavrix
