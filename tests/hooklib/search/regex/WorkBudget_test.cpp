#include "search/regex/WorkBudget.h"

#include <gtest/gtest.h>

namespace {

using regex::CWorkBudget;

// A name that spends steps of its budget.
bool SearchSpending(CWorkBudget& budget, uint64_t steps) {
    budget.OpenName();
    return budget.Spend(steps);
}

TEST(WorkBudget, EachNameHasItsShareOfThePassWithinBounds) {
    CWorkBudget budget({1'000'000, 500, 50'000, 0});
    budget.StartPass(100);
    EXPECT_EQ(budget.Own(), 10'000u);
    budget.StartPass(10'000);
    EXPECT_EQ(budget.Own(), 500u); // at least
    budget.StartPass(1);
    EXPECT_EQ(budget.Own(), 50'000u); // at most
    budget.StartPass(0);
    EXPECT_EQ(budget.Own(), 50'000u);
}

// The reserve lends to names that need more than their share; what names leave refills it, up
// to its cap. A name within its share is never cut off, however much went before.
TEST(WorkBudget, TheReserveLendsAndNamesWithinTheirShareAreNeverCut) {
    CWorkBudget budget({10'000, 100, 100, 1'000});
    budget.StartPass(100);
    EXPECT_TRUE(SearchSpending(budget, 1'100)); // its share and the whole reserve
    EXPECT_FALSE(SearchSpending(budget, 101));  // the reserve is empty
    EXPECT_EQ(budget.CutNames(), 1u);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(SearchSpending(budget, 100)) << i;
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(SearchSpending(budget, 0)); // leaves its share to the reserve
    }
    EXPECT_TRUE(SearchSpending(budget, 1'100));
    EXPECT_FALSE(SearchSpending(budget, 200)); // the cap kept the reserve at 1,000
    EXPECT_EQ(budget.CutNames(), 2u);
    // The names cut off spent all they had; the pass never more than the reserve and shares.
    EXPECT_EQ(budget.Spent(), 1'100u + 100u + 1'000u * 100u + 1'100u + 100u);
}

TEST(WorkBudget, ANewPassFillsTheReserveAgain) {
    CWorkBudget budget({10'000, 100, 100, 1'000});
    EXPECT_TRUE(SearchSpending(budget, 1'100));
    EXPECT_FALSE(SearchSpending(budget, 101));
    budget.StartPass(100);
    EXPECT_TRUE(SearchSpending(budget, 1'100));
}

TEST(WorkBudget, WithoutLimitNothingIsCut) {
    CWorkBudget budget;
    EXPECT_TRUE(SearchSpending(budget, uint64_t{1} << 50));
    EXPECT_EQ(budget.CutNames(), 0u);
}

} // namespace
