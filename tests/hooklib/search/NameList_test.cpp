#include "search/NameList.h"

#include <gtest/gtest.h>

namespace {

// Each item keeps its whole name (the tooltip looks the item up by it) beside the text that is
// searched, cut at the first NUL; neighbours laid end to end never run into each other.
TEST(NameList, KeepsEachWholeNameAndCutsItsTextAtTheFirstNul) {
    const CNameList names(
        ItemNames{L"alpha", std::wstring(L"be\0ta\0", 6), L"", std::wstring(L"\0x", 2), L"z"});
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], L"alpha");
    EXPECT_EQ(names.Text(0), L"alpha");
    EXPECT_EQ(names[1], std::wstring_view(L"be\0ta\0", 6));
    EXPECT_EQ(names.Text(1), L"be");
    EXPECT_EQ(names[2], L"");
    EXPECT_EQ(names.Text(2), L"");
    EXPECT_EQ(names[3], std::wstring_view(L"\0x", 2));
    EXPECT_EQ(names.Text(3), L"");
    EXPECT_EQ(names[4], L"z");
    EXPECT_EQ(names.Text(4), L"z");
}

TEST(NameList, EmptyListAndEmptyNames) {
    EXPECT_TRUE(CNameList().empty());
    EXPECT_TRUE(CNameList(ItemNames{}).empty());
    const CNameList blanks(ItemNames(3, L""));
    EXPECT_EQ(blanks.size(), 3u);
    EXPECT_EQ(blanks.Text(2), L"");
}

} // namespace
