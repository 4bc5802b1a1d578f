#include "search/regex/CharSet.h"

#include <gtest/gtest.h>

namespace {

using regex::CCharSet;

CCharSet Of(std::initializer_list<std::pair<regex::Char, regex::Char>> intervals) {
    CCharSet set;
    for (const auto& [first, last] : intervals) {
        set.Add(first, last);
    }
    set.Normalize();
    return set;
}

TEST(CharSet, NormalizeMergesOverlappingAndAdjacent) {
    EXPECT_EQ(Of({{5, 9}, {1, 3}, {4, 4}, {8, 12}}).Intervals(),
              (std::vector<CCharSet::Interval>{{1, 12}}));
    EXPECT_EQ(Of({{1, 2}, {4, 5}}).Intervals(), (std::vector<CCharSet::Interval>{{1, 2}, {4, 5}}));
}

TEST(CharSet, ComplementCoversEveryOtherValue) {
    const CCharSet set = Of({{0, 9}, {20, 29}});
    const CCharSet complement = set.Complement();
    EXPECT_EQ(complement.Intervals(),
              (std::vector<CCharSet::Interval>{{10, 19}, {30, regex::kMaxChar}}));
    EXPECT_EQ(complement.Complement(), set);
    EXPECT_EQ(CCharSet().Complement().Intervals(),
              (std::vector<CCharSet::Interval>{{0, regex::kMaxChar}}));
    EXPECT_TRUE(complement.Contains(regex::kMaxChar));
    EXPECT_FALSE(complement.Contains(9));
}

// Case folding follows the classic locale's ctype<wchar_t>: ASCII letters on glibc and msvcrt.
TEST(CharSet, CaseFoldingOfTheClassicLocale) {
    EXPECT_EQ(regex::classic::SameLower(L'k').Intervals(),
              (std::vector<CCharSet::Interval>{{L'K', L'K'}, {L'k', L'k'}}));
    EXPECT_EQ(regex::classic::SameLower(L'-').Intervals(),
              (std::vector<CCharSet::Interval>{{L'-', L'-'}}));
    const CCharSet range = regex::classic::RangeIcase(L'a', L'c');
    EXPECT_TRUE(range.Contains(L'B'));
    EXPECT_FALSE(range.Contains(L'D'));
}

} // namespace
