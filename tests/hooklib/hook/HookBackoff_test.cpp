#include "hook/HookBackoff.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Two distinct keys standing for two windows.
char kWindows[2] = {};
void* const A = &kWindows[0];
void* const B = &kWindows[1];

// The waits after each failure in a row, as the window is retried the moment it may be.
std::vector<uint32_t> WaitsAfterFailures(CHookBackoff& backoff, uint32_t start, int failures) {
    std::vector<uint32_t> waits;
    uint32_t now = start;
    for (int i = 0; i < failures; ++i) {
        backoff.Failed(A, now);
        uint32_t wait = 0;
        while (!backoff.MayTry(A, now + wait)) {
            wait += 100;
        }
        waits.push_back(wait);
        now += wait;
    }
    return waits;
}

TEST(HookBackoff, EachFailureInARowDoublesTheWaitUpToTenSeconds) {
    CHookBackoff backoff;
    EXPECT_TRUE(backoff.MayTry(A, 0));
    EXPECT_EQ(WaitsAfterFailures(backoff, 5000, 9),
              (std::vector<uint32_t>{400, 800, 1600, 3200, 6400, 10000, 10000, 10000, 10000}));
}

TEST(HookBackoff, WaitsHoldAcrossTheTickCounterWrappingAround) {
    CHookBackoff backoff;
    EXPECT_EQ(WaitsAfterFailures(backoff, 0xFFFFFF00u, 4),
              (std::vector<uint32_t>{400, 800, 1600, 3200}));
    backoff.Failed(B, 0xFFFFFFF0u);
    EXPECT_FALSE(backoff.MayTry(B, 0xFFFFFFFFu));
    EXPECT_FALSE(backoff.MayTry(B, 100));
    EXPECT_TRUE(backoff.MayTry(B, 400));
}

TEST(HookBackoff, WindowsWaitEachOnTheirOwnAndForgottenOnesStartAfresh) {
    CHookBackoff backoff;
    backoff.Failed(A, 0);
    backoff.Failed(A, 400);
    backoff.Failed(B, 0);
    EXPECT_FALSE(backoff.MayTry(A, 401));
    EXPECT_FALSE(backoff.MayTry(B, 399));
    EXPECT_TRUE(backoff.MayTry(B, 400));
    backoff.ForgetGone([](void* window) { return window == B; });
    EXPECT_EQ(backoff.Size(), 1u);
    EXPECT_TRUE(backoff.MayTry(B, 1));
    backoff.Forget(A);
    EXPECT_TRUE(backoff.MayTry(A, 401));
    EXPECT_EQ(WaitsAfterFailures(backoff, 1000, 1), (std::vector<uint32_t>{400}));
}

} // namespace
