// A short run of the adversarial fuzzer with a fixed seed, on a thread of a 1 MB stack as a
// host's window thread often has: every keystroke of costly texts stays within the steps its
// patterns' budgets allow and within the memory bound, and none overflows the stack. (Its time
// is the long runs' and the benchmarks' to measure.)
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "AllocationMeter.h"
#include "HostileGenerator.h"
#include "KeystrokeProbe.h"
#include "fuzz/CaseGenerator.h"

namespace {

constexpr size_t kMaxExtraBytes = 16 << 20;

void* RunWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return nullptr;
}

void OnThreadOf1MB(std::function<void()> work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 1 << 20);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, RunWork, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(Regex_Hostile, FixedSeedKeystrokesStayWithinTheirBounds) {
    size_t cutNames = 0;
    OnThreadOf1MB([&] {
        CHostileGenerator generator(20240612);
        for (int i = 0; i < 300; ++i) {
            const std::wstring text = generator.Text();
            const std::optional<std::wstring> expression =
                i % 2 == 0 ? std::optional(generator.MigemoExpression()) : std::nullopt;
            const CNameList names(generator.Names(text, 200));
            const KeystrokeCost cost = RunKeystroke(text, expression, names);
            EXPECT_TRUE(cost.m_overBound.empty())
                << testing::PrintToString(Printable(text)) << " " << cost.m_steps << " steps";
            EXPECT_LE(cost.m_extraBytes, kMaxExtraBytes) << testing::PrintToString(Printable(text));
            cutNames += cost.m_cutNames;
        }
    });
    EXPECT_GT(cutNames, 0u); // the texts do cost: some names run out of their budget
}

} // namespace
