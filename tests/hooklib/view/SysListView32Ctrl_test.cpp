#include "view/SysListView32Ctrl.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "harness/TestListView.h"

namespace {

std::vector<std::wstring> Numbered(int count) {
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(L"item" + std::to_wstring(i) + L".txt");
    }
    return names;
}

class SysListView32Ctrl : public ::testing::TestWithParam<DWORD> {};

TEST_P(SysListView32Ctrl, ReadsEveryNameInItemOrder) {
    const std::vector<std::wstring> names{L"readme.txt", L"\u691c\u7d22\u7d50\u679c.txt",
                                          L"Makefile"};
    CTestListView view(names, GetParam());
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read;
    EXPECT_EQ(ctrl.GetItemNames(read), 0);
    EXPECT_EQ(read, names);
}

TEST_P(SysListView32Ctrl, SelectItemAloneFocusesAndScrollsIntoView) {
    CTestListView view(Numbered(300), GetParam());
    CSysListView32Ctrl ctrl(view.List());
    ListView_SetItemState(view.List(), 3, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_FALSE(view.IsItemFullyVisible(250));
    EXPECT_EQ(ctrl.SelectItem(250, 1, 1), 0);
    EXPECT_EQ(view.SelectedItems(), (std::vector<int>{250}));
    EXPECT_EQ(view.FocusedItem(), 250);
    EXPECT_TRUE(view.IsItemFullyVisible(250));
}

TEST_P(SysListView32Ctrl, SelectItemChangesOnlyTheItemsWhoseStateChanges) {
    CTestListView view(Numbered(300), GetParam());
    CSysListView32Ctrl ctrl(view.List());
    for (int i : {3, 5, 250}) {
        ListView_SetItemState(view.List(), i, LVIS_SELECTED, LVIS_SELECTED);
    }
    ListView_SetItemState(view.List(), 5, LVIS_FOCUSED, LVIS_FOCUSED);
    view.m_changedItems.clear();
    EXPECT_EQ(ctrl.SelectItem(250, 1, 1), 0);
    EXPECT_EQ(view.SelectedItems(), (std::vector<int>{250}));
    EXPECT_EQ(view.FocusedItem(), 250);
    for (int changed : view.m_changedItems) {
        EXPECT_TRUE(changed == 3 || changed == 5 || changed == 250) << changed;
    }
    EXPECT_FALSE(view.m_changedItems.empty());
}

TEST_P(SysListView32Ctrl, SelectItemAddingKeepsSelectionAndFocus) {
    CTestListView view(Numbered(10), GetParam());
    CSysListView32Ctrl ctrl(view.List());
    ctrl.SelectItem(2, 1, 1);
    EXPECT_EQ(ctrl.SelectItem(7, 0, 0), 0);
    EXPECT_EQ(view.SelectedItems(), (std::vector<int>{2, 7}));
    EXPECT_EQ(view.FocusedItem(), 2);
}

INSTANTIATE_TEST_SUITE_P(Styles, SysListView32Ctrl,
                         ::testing::Values(LVS_REPORT, LVS_LIST, LVS_ICON));

TEST(SysListView32Ctrl_Names, EmptyViewGivesAnEmptyList) {
    CTestListView view({});
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read{L"stale"};
    EXPECT_EQ(ctrl.GetItemNames(read), 0);
    EXPECT_TRUE(read.empty());
}

TEST(SysListView32Ctrl_Names, FewerItemsThanBeforeDropTheSurplus) {
    CTestListView view(Numbered(5));
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read;
    ctrl.GetItemNames(read);
    view.SetNames({L"a", L"b"});
    EXPECT_EQ(ctrl.GetItemNames(read), 0);
    EXPECT_EQ(read, (ItemNames{L"a", L"b"}));
}

TEST(SysListView32Ctrl_Names, LongTextKeepsItsFirst259Characters) {
    const std::wstring longName(300, L'\u3042');
    CTestListView view({longName});
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read;
    EXPECT_EQ(ctrl.GetItemNames(read), 0);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], longName.substr(0, 259));
}

TEST(SysListView32Ctrl_Names, EmptyTextClearsItsEntryAndFails) {
    CTestListView view({L"first", L"second"});
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read;
    ctrl.GetItemNames(read);
    ListView_SetItemText(view.List(), 0, 0, const_cast<wchar_t*>(L""));
    EXPECT_EQ(ctrl.GetItemNames(read), -1);
    EXPECT_EQ(read, (ItemNames{L"", L"second"}));
}

TEST(SysListView32Ctrl_Rect, IsTheItemsBoundsOnScreen) {
    CTestListView view(Numbered(3));
    CSysListView32Ctrl ctrl(view.List());
    RECT onScreen{};
    EXPECT_EQ(ctrl.GetItemRect(1, 0, &onScreen), 0);
    RECT client{};
    ListView_GetItemRect(view.List(), 1, &client, LVIR_BOUNDS);
    POINT origin{0, 0};
    ClientToScreen(view.List(), &origin);
    EXPECT_EQ(onScreen.left, client.left + origin.x);
    EXPECT_EQ(onScreen.bottom, client.bottom + origin.y);
}

TEST(SysListView32Ctrl_NullWindow, EveryOperationFails) {
    CSysListView32Ctrl ctrl(nullptr);
    ItemNames read{L"kept"};
    RECT rect{1, 2, 3, 4};
    EXPECT_EQ(ctrl.GetWnd(), nullptr);
    EXPECT_EQ(ctrl.GetItemNames(read), -1);
    EXPECT_EQ(read, (ItemNames{L"kept"}));
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), -1);
    EXPECT_EQ(ctrl.GetItemRect(0, 0, &rect), -1);
    EXPECT_EQ(rect.left, 1);
}

} // namespace
