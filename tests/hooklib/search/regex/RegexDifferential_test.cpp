// A short run of the differential fuzzer with a fixed seed, in every build: under Wine it
// compares with the Windows standard library, whose classes cover much more of Unicode.
#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "fuzz/CaseGenerator.h"

namespace {

TEST(Regex_Differential, FixedSeedAgreesWithTheLibrary) {
    CCaseGenerator generator(20240611);
    int handled = 0;
    // The last handled pattern, searched together with each next one as the second pattern.
    std::optional<std::pair<std::wstring, CComparison>> previous;
    for (int i = 0; i < 1500; ++i) {
        const std::wstring pattern = generator.Pattern();
        CComparison comparison(pattern);
        ASSERT_TRUE(comparison.Agree()) << testing::PrintToString(pattern);
        if (!comparison.Handled()) {
            continue;
        }
        ++handled;
        for (int j = 0; j < 8; ++j) {
            const std::wstring name = generator.Name();
            const CaseResult result = comparison.Compare(name);
            ASSERT_TRUE(result.m_agree)
                << testing::PrintToString(pattern) << " " << testing::PrintToString(name) << " "
                << testing::PrintToString(result.m_detail);
            const CaseResult pair =
                previous ? comparison.CompareEither(previous->second, name) : CaseResult{};
            ASSERT_TRUE(pair.m_agree)
                << testing::PrintToString(pattern) << " then "
                << testing::PrintToString(previous->first) << " " << testing::PrintToString(name)
                << " " << testing::PrintToString(pair.m_detail);
        }
        previous.emplace(pattern, std::move(comparison));
    }
    EXPECT_GT(handled, 1000); // the generator mostly writes what the engine handles
}

} // namespace
