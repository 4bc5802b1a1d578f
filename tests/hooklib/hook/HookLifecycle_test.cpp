// The launcher's side of the handshake, with the hook set on this test's own thread: the hook
// procedure answers in this process, as it does in a target's.
#include "hook/HookLifecycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/XInput.h"
#include "hook/Attach.h"
#include "hook/HookBackoff.h"
#include "hook/SearchState.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"

namespace {

class HookLifecycle : public ::testing::Test {
  protected:
    void TearDown() override { EndHooking(); }

    WNDPROC Proc() const {
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_view.List(), GWLP_WNDPROC));
    }
    // The hook handle the window was sent with its last message of that kind.
    HHOOK HookSentWith(UINT message) const {
        for (auto it = m_view.m_received.rbegin(); it != m_view.m_received.rend(); ++it) {
            if (it->m_message == message) {
                return reinterpret_cast<HHOOK>(it->m_lParam);
            }
        }
        return nullptr;
    }

    CSettingsGuard m_guard;
    CTestListView m_view{{L"alpha", L"beta"}};
};

// The hook is only the way in: once the window has answered, nothing of it is left to tax the
// messages of the host's thread.
TEST_F(HookLifecycle, AHandshakeAttachesTheWindowAndRemovesItsHook) {
    ASSERT_EQ(HookWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(HookedWindows, (std::vector<HWND>{m_view.List()}));
    EXPECT_EQ(Proc(), SearchWndProc);
    const HHOOK hook = HookSentWith(WM_HOOK_ATTACH_LISTVIEW);
    ASSERT_NE(hook, nullptr);
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
    // A recorded window is never offered the handshake again.
    EXPECT_EQ(HookWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 0);
    EXPECT_EQ(std::count_if(m_view.m_received.begin(), m_view.m_received.end(),
                            [](const auto& r) { return r.m_message == WM_HOOK_ATTACH_LISTVIEW; }),
              1);
}

TEST_F(HookLifecycle, AFailedHandshakeIsNotRecordedAndLeavesNoHook) {
    constexpr UINT kNotAnAttachMessage = WM_APP + 50;
    EXPECT_EQ(HookWindow(m_view.List(), kNotAnAttachMessage), 0);
    EXPECT_TRUE(HookedWindows.empty());
    EXPECT_EQ(FindSearchState(m_view.List()), nullptr);
    const HHOOK hook = HookSentWith(kNotAnAttachMessage);
    ASSERT_NE(hook, nullptr);
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
}

// The target answered 0: its window already runs the search procedure without a state, as
// when a subclass failed. Nothing is recorded, the window is left as it was, the hook is gone.
TEST_F(HookLifecycle, ARejectedHandshakeIsNotRecordedAndLeavesNoHook) {
    const HWND list = m_view.List();
    const LONG_PTR own = GetWindowLongPtrW(list, GWLP_WNDPROC);
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SearchWndProc));
    Shared.AttachResult = 1;
    EXPECT_EQ(HookWindow(list, WM_HOOK_ATTACH_LISTVIEW), 0);
    EXPECT_EQ(Shared.AttachResult, 0);
    EXPECT_TRUE(HookedWindows.empty());
    EXPECT_EQ(FindSearchState(list), nullptr);
    EXPECT_EQ(Proc(), SearchWndProc);
    // A hook left in place would answer this one and attach.
    SetWindowLongPtrW(list, GWLP_WNDPROC, own);
    SendMessageW(list, WM_HOOK_ATTACH_LISTVIEW, reinterpret_cast<WPARAM>(list), 1);
    EXPECT_EQ(FindSearchState(list), nullptr);
    EXPECT_EQ(Proc(), reinterpret_cast<WNDPROC>(own));
}

// An attach message that does not name its own window, or carries no hook, attaches nothing.
TEST_F(HookLifecycle, AMalformedAttachMessageAttachesNothing) {
    const unique_hhook hook(
        SetWindowsHookExW(WH_CALLWNDPROC, CallWndHookProc, nullptr, GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    const HWND list = m_view.List();
    const auto hookParam = reinterpret_cast<LPARAM>(hook.get());
    for (const auto& [wParam, lParam] :
         {std::pair{reinterpret_cast<WPARAM>(m_view.Frame()), hookParam},
          std::pair{WPARAM{0}, hookParam}, std::pair{reinterpret_cast<WPARAM>(list), LPARAM{0}}}) {
        Shared.AttachResult = 0;
        SendMessageW(list, WM_HOOK_ATTACH_LISTVIEW, wParam, lParam);
        EXPECT_EQ(Shared.AttachResult, 0);
        EXPECT_EQ(FindSearchState(list), nullptr);
    }
    // The same message made right attaches: the three above failed for what they lacked.
    SendMessageW(list, WM_HOOK_ATTACH_LISTVIEW, reinterpret_cast<WPARAM>(list), hookParam);
    EXPECT_EQ(Shared.AttachResult, 1);
    EXPECT_NE(FindSearchState(list), nullptr);
    DetachWindow(list);
}

// A handshake whose answer came after the launcher gave up left the window attached but not
// recorded: the next one adopts it, state and all, without subclassing it a second time.
TEST_F(HookLifecycle, AWindowAttachedByALateAnswerIsAdopted) {
    const WNDPROC original = Proc();
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    FindSearchState(m_view.List())->m_searchText = L"kept";
    ASSERT_EQ(HookWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(HookedWindows, (std::vector<HWND>{m_view.List()}));
    ASSERT_NE(FindSearchState(m_view.List()), nullptr);
    EXPECT_EQ(FindSearchState(m_view.List())->m_searchText, L"kept");
    EXPECT_EQ(FindSearchState(m_view.List())->m_pfnOrigWndProc, original);
    EndHooking();
    EXPECT_EQ(Proc(), original);
    EXPECT_EQ(FindSearchState(m_view.List()), nullptr);
}

// The real hook and handshake on a window of this thread: a window that already runs the
// search procedure without a state refuses the handshake, as a window whose attach fails does.
TEST_F(HookLifecycle, ARefusingWindowIsOfferedAgainOnlyAfterItsWait) {
    const HWND list = m_view.List();
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
