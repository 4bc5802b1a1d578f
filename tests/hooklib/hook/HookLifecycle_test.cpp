#include "hook/HookLifecycle.h"

#include <gtest/gtest.h>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/XInput.h"
#include "hook/Attach.h"
#include "hook/HookBackoff.h"
#include "hook/Messages.h"

namespace {

// The real hook and handshake on a window of this thread: a window that already runs the
// search procedure without a state refuses the handshake, as a window whose attach fails does.
TEST(HookLifecycle, ARefusingWindowIsOfferedAgainOnlyAfterItsWait) {
    CSettingsGuard guard;
    CTestListView view({L"alpha", L"beta"});
    const HWND list = view.List();
    const LONG_PTR own = GetWindowLongPtrW(list, GWLP_WNDPROC);
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SearchWndProc));
    const DWORD start = GetTickCount();
    EXPECT_EQ(HookWindow(list, WM_HOOK_ATTACH_LISTVIEW), 0);

    // Ready to attach now, but its wait is not over.
    SetWindowLongPtrW(list, GWLP_WNDPROC, own);
    EXPECT_EQ(HookWindow(list, WM_HOOK_ATTACH_LISTVIEW), 0);
    if (GetTickCount() - start >= CHookBackoff::kFirstDelayMs) {
        GTEST_SKIP() << "the machine took longer than the first wait";
    }
    EXPECT_EQ(FindSearchState(list), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(list, GWLP_WNDPROC), own);

    PumpMessagesFor(CHookBackoff::kFirstDelayMs + 50);
    EXPECT_EQ(HookWindow(list, WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_NE(FindSearchState(list), nullptr);
    EXPECT_EQ(HookedWindows, std::vector<HWND>{list});
    EndHooking();
    EXPECT_EQ(FindSearchState(list), nullptr);
    EXPECT_TRUE(HookedWindows.empty());
}

} // namespace
