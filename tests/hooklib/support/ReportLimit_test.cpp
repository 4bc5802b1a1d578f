#include "support/ReportLimit.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

int WindowA = 0;
int WindowB = 0;

struct Step {
    const void* m_subject;
    uint32_t m_now;
    bool m_allowed;
};

// One report per subject and interval, on a tick count that wraps past zero.
TEST(ReportLimit, OncePerSubjectAndInterval) {
    constexpr uint32_t kNearWrap = UINT32_MAX - 1000;
    const Step steps[] = {
        {&WindowA, kNearWrap, true},       // the first
        {&WindowA, kNearWrap + 10, false}, // a repeat at once
        {&WindowB, kNearWrap + 10, true},  // another window has its own
        {nullptr, kNearWrap + 20, true},   // and so has the process itself
        {&WindowA, 58990, false},          // past the wrap, still within the minute
        {&WindowA, 59000, true},           // a minute after the first
        {&WindowB, 59000, false},          // 59,991 ms after its first
        {&WindowB, 59010, true},           // a minute after it
        {&WindowA, 59001, false},          // counted from the last one allowed
    };
    CReportLimit limit;
    for (const Step& step : steps) {
        EXPECT_EQ(limit.Allow(step.m_subject, step.m_now), step.m_allowed)
            << "at " << step.m_now << (step.m_subject == &WindowA ? " A" : " B");
    }
}

TEST(ReportLimit, ForgettingLetsEverySubjectReportAgain) {
    CReportLimit limit(1000);
    EXPECT_TRUE(limit.Allow(&WindowA, 5));
    EXPECT_FALSE(limit.Allow(&WindowA, 6));
    limit.Forget();
    EXPECT_TRUE(limit.Allow(&WindowA, 7));
}

} // namespace
