// A short run of the adversarial fuzzer with a fixed seed: every keystroke of costly texts
// stays within the steps its patterns' budgets allow and within the memory bound. (Its time is
// the long runs' and the benchmarks' to measure.)
#include <gtest/gtest.h>

#include "AllocationMeter.h"
#include "HostileGenerator.h"
#include "KeystrokeProbe.h"
#include "fuzz/CaseGenerator.h"

namespace {

constexpr size_t kMaxExtraBytes = 16 << 20;

TEST(Regex_Hostile, FixedSeedKeystrokesStayWithinTheirBounds) {
    CHostileGenerator generator(20240612);
    size_t cutNames = 0;
    for (int i = 0; i < 120; ++i) {
        const std::wstring text = generator.Text();
        const std::optional<std::wstring> expression =
            i % 2 == 0 ? std::optional(generator.MigemoExpression()) : std::nullopt;
        const CNameList names(generator.Names(text, 200));
        const KeystrokeCost cost = RunKeystroke(text, expression, names);
        ASSERT_TRUE(cost.m_overBound.empty())
            << testing::PrintToString(Printable(text)) << " " << cost.m_steps << " steps";
        ASSERT_LE(cost.m_extraBytes, kMaxExtraBytes) << testing::PrintToString(Printable(text));
        cutNames += cost.m_cutNames;
    }
    EXPECT_GT(cutNames, 0u); // the texts do cost: some names run out of their budget
}

} // namespace
