#include "support/Barrier.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/WorkerThread.h"

namespace {

std::mutex TracesLock;
std::condition_variable TraceArrived;
std::vector<std::wstring> Traces;

void Capture(const wchar_t* text) {
    std::lock_guard lock(TracesLock);
    Traces.emplace_back(text);
    TraceArrived.notify_all();
}

// Traces go to the test while it runs, as they would go to a debugger.
class Barrier_Trace : public ::testing::Test {
  protected:
    void SetUp() override {
        Traces.clear();
        m_previous = SetTraceSink(Capture);
    }
    void TearDown() override { SetTraceSink(m_previous); }

    static std::vector<std::wstring> WaitForTraces(size_t count) {
        std::unique_lock lock(TracesLock);
        TraceArrived.wait_for(lock, std::chrono::seconds(5),
                              [count] { return Traces.size() >= count; });
        return Traces;
    }

    TraceSink m_previous = nullptr;
};

TEST_F(Barrier_Trace, AThrowingWorkerThreadNamesItselfAndWhatFailed) {
    ASSERT_TRUE(StartWorkerThread([] { throw std::runtime_error("no room for the names"); }));
    const std::vector<std::wstring> traces = WaitForTraces(1);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0], L"Skimvue: the worker thread failed: no room for the names\n");
}

TEST_F(Barrier_Trace, FailureGivesTheFallbackAndSuccessGivesTheResultWithoutATrace) {
    EXPECT_EQ(Barrier(L"Succeeding", -1, [] { return 7; }), 7);
    EXPECT_TRUE(Traces.empty());
    EXPECT_EQ(Barrier(L"Throwing", -1, []() -> int { throw 42; }), -1);
    ASSERT_EQ(Traces.size(), 1u);
    EXPECT_EQ(Traces[0], L"Skimvue: Throwing failed: an exception that is not a std::exception\n");
}

TEST_F(Barrier_Trace, ALongExplanationIsCutAndTheLineStillEnds) {
    Barrier(L"Verbose", [] { throw std::length_error(std::string(5000, 'x')); });
    ASSERT_EQ(Traces.size(), 1u);
    EXPECT_LT(Traces[0].size(), 512u);
    EXPECT_EQ(Traces[0].rfind(L"Skimvue: Verbose failed: xxx", 0), 0u);
    EXPECT_EQ(Traces[0].back(), L'\n');
}

} // namespace
