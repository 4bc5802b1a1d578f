#include "view/SysListView32Ctrl.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "harness/TestListView.h"
#include "support/UniqueHandle.h"

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

// The items selected before (the focused one among them or not, the new one among them or
// not) are all that change, besides the new one.
TEST_P(SysListView32Ctrl, SelectItemChangesOnlyTheItemsWhoseStateChanges) {
    struct Case {
        std::vector<int> m_selected;
        int m_focused;
    };
    for (const Case& before :
         {Case{{3, 5, 250}, 5}, Case{{3, 5}, 7}, Case{{250}, 250}, Case{{}, 9}, Case{{299}, -1}}) {
        CTestListView view(Numbered(300), GetParam());
        CSysListView32Ctrl ctrl(view.List());
        for (int i : before.m_selected) {
            ListView_SetItemState(view.List(), i, LVIS_SELECTED, LVIS_SELECTED);
        }
        if (before.m_focused != -1) {
            ListView_SetItemState(view.List(), before.m_focused, LVIS_FOCUSED, LVIS_FOCUSED);
        }
        view.ClearReceived();
        EXPECT_EQ(ctrl.SelectItem(250, 1, 1), 0);
        EXPECT_EQ(view.SelectedItems(), (std::vector<int>{250}));
        EXPECT_EQ(view.FocusedItem(), 250);
        for (const CTestListView::Received& received : view.m_received) {
            const auto item = static_cast<int>(received.m_wParam);
            EXPECT_TRUE(item == 250 ||
                        std::count(before.m_selected.begin(), before.m_selected.end(), item))
                << item;
        }
    }
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
    SetListNames(view.List(), {L"a", L"b"});
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

// An item without text is still an item: its entry is empty, and the others are read.
TEST(SysListView32Ctrl_Names, EmptyTextClearsItsEntry) {
    CTestListView view({L"first", L"second"});
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read;
    ctrl.GetItemNames(read);
    ListView_SetItemText(view.List(), 0, 0, const_cast<wchar_t*>(L""));
    EXPECT_EQ(ctrl.GetItemNames(read), 0);
    EXPECT_EQ(read, (ItemNames{L"", L"second"}));
}

// A window that is not a list view answers the list-view messages with 0, like an empty list;
// only an empty list view reads as one.
TEST(SysListView32Ctrl_Names, AWindowThatIsNotAListViewCannotBeRead) {
    const unique_hwnd edit(CreateWindowExW(0, L"EDIT", L"text", WS_OVERLAPPED, 0, 0, 100, 30,
                                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ItemNames read{L"stale"};
    EXPECT_EQ(CSysListView32Ctrl(edit.get()).GetItemNames(read), -1);
    EXPECT_TRUE(read.empty());
    CTestListView empty({});
    EXPECT_EQ(CSysListView32Ctrl(empty.List()).GetItemNames(read), 0);
    EXPECT_TRUE(read.empty());
}

// A control may answer with a pointer to text of its own rather than fill the buffer it was
// given; the text there counts, as long as any name.
WNDPROC ListOriginalProc = nullptr;
LRESULT CALLBACK OwnTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const std::wstring own = L"own " + std::wstring(300, L'x');
    if (message == LVM_GETITEMTEXTW && wParam == 1) {
        reinterpret_cast<LVITEMW*>(lParam)->pszText = const_cast<wchar_t*>(own.c_str());
        return static_cast<LRESULT>(own.size());
    }
    return CallWindowProcW(ListOriginalProc, window, message, wParam, lParam);
}

TEST(SysListView32Ctrl_Names, TextTheControlPointsToIsRead) {
    CTestListView view({L"first", L"second", L"third"});
    ListOriginalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(view.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnTextProc)));
    CSysListView32Ctrl ctrl(view.List());
    ItemNames read;
    EXPECT_EQ(ctrl.GetItemNames(read), 0);
    EXPECT_EQ(read, (ItemNames{L"first", (L"own " + std::wstring(255, L'x')), L"third"}));
    SetWindowLongPtrW(view.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListOriginalProc));
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
