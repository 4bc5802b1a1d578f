// A short run of the differential fuzzer with a fixed seed, in every build: under Wine it
// compares with the Windows standard library, whose classes cover much more of Unicode.
#include <gtest/gtest.h>

#include "fuzz/CaseGenerator.h"

namespace {

TEST(Regex_Differential, FixedSeedAgreesWithTheLibrary) {
    CCaseGenerator generator(20240611);
    int handled = 0;
    for (int i = 0; i < 1500; ++i) {
        const std::wstring pattern = generator.Pattern();
        const CComparison comparison(pattern);
        ASSERT_TRUE(comparison.Agree()) << testing::PrintToString(pattern);
        handled += comparison.Handled() ? 1 : 0;
        for (int j = 0; j < 8 && comparison.Handled(); ++j) {
            const std::wstring name = generator.Name();
            const CaseResult result = comparison.Compare(name);
            ASSERT_TRUE(result.m_agree)
                << testing::PrintToString(pattern) << " " << testing::PrintToString(name) << " "
                << testing::PrintToString(result.m_detail);
        }
    }
    EXPECT_GT(handled, 1000); // the generator mostly writes what the engine handles
}

} // namespace
