#include "hook/Attach.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "hook/SearchState.h"
#include "hook/SubclassChain.h"
#include "support/Messages.h"
#include "view/SysListView32Ctrl.h"

namespace {

class Attach : public ::testing::Test {
  protected:
    CSettingsGuard m_guard;
    CTestListView m_view{{L"alpha", L"beta"}};
    WNDPROC Proc() const {
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_view.List(), GWLP_WNDPROC));
    }
};

TEST_F(Attach, SubclassesTheWindowWithAFreshState) {
    const WNDPROC before = Proc();
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(Proc(), SearchWndProc);
    SearchState* state = FindSearchState(m_view.List());
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->m_pfnOrigWndProc, before);
    ASSERT_NE(state->m_pCtrl, nullptr);
    EXPECT_EQ(state->m_pCtrl->GetWnd(), m_view.List());
    EXPECT_TRUE(state->m_searchText.empty());
    EXPECT_EQ(state->m_pTip, nullptr);
    DetachWindow(m_view.List());
}

TEST_F(Attach, SecondAttachChangesNothing) {
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    SearchState* state = FindSearchState(m_view.List());
    state->m_searchText = L"kept";
    EXPECT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 0);
    EXPECT_EQ(FindSearchState(m_view.List()), state);
    EXPECT_EQ(state->m_searchText, L"kept");
    DetachWindow(m_view.List());
}

TEST_F(Attach, DetachRestoresTheProcedureAndAllowsAFreshAttach) {
    const WNDPROC before = Proc();
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    FindSearchState(m_view.List())->m_searchText = L"old";
    SendMessageW(m_view.List(), WM_HOOK_DETACH, reinterpret_cast<WPARAM>(m_view.List()), 0);
    EXPECT_EQ(Proc(), before);
    EXPECT_EQ(FindSearchState(m_view.List()), nullptr);
    EXPECT_TRUE(m_view.HasReceived(WM_HOOK_DETACH, reinterpret_cast<WPARAM>(m_view.List())));
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_TRUE(FindSearchState(m_view.List())->m_searchText.empty());
    DetachWindow(m_view.List());
}

TEST_F(Attach, DestroyDetachesAndStillReachesTheWindow) {
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    HWND list = m_view.List();
    DestroyWindow(list);
    EXPECT_EQ(FindSearchState(list), nullptr);
    EXPECT_TRUE(m_view.HasReceived(WM_DESTROY, 0));
}

TEST_F(Attach, OtherMessagesPassThroughUnchanged) {
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(SendMessageW(m_view.List(), LVM_GETITEMCOUNT, 0, 0), 2);
    SendMessageW(m_view.List(), WM_APP + 7, 42, 0);
    EXPECT_TRUE(m_view.HasReceived(WM_APP + 7, 42));
    DetachWindow(m_view.List());
}

TEST_F(Attach, TooltipOnlyWhenTheSettingIsOnAtAttachTime) {
    Shared.ShowToolTip = 1;
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    SearchState* state = FindSearchState(m_view.List());
    ASSERT_NE(state->m_pTip, nullptr);
    const HWND tip = state->m_pTip->GetWnd();
    ASSERT_TRUE(IsWindow(tip));
    // A popup is owned by the top-level window of the child it was created for.
    EXPECT_EQ(GetWindow(tip, GW_OWNER), m_view.Frame());
    DetachWindow(m_view.List());
    EXPECT_FALSE(IsWindow(tip));

    Shared.ShowToolTip = 2;
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(FindSearchState(m_view.List())->m_pTip, nullptr);
    Shared.ShowToolTip = 1;
    EXPECT_EQ(FindSearchState(m_view.List())->m_pTip, nullptr);
    DetachWindow(m_view.List());
}

// A controller that throws where the search calls it, as a view of another program may.
class CThrowingCtrl : public CWndCtrl {
  public:
    CThrowingCtrl(HWND window, bool namesThrow) : CWndCtrl(window), m_namesThrow(namesThrow) {}
    int GetItemNames(ItemNames& names) override {
        if (m_namesThrow) {
            throw std::runtime_error("names");
        }
        names = {L"alpha", L"beta"};
        return 0;
    }
    int SelectItem(int, int, int) override { throw std::bad_alloc(); }

  private:
    bool m_namesThrow;
};

// Whatever throws inside the search, the window goes on as if the library were not there: the
// key reaches its own procedure, and the window stays attached for the next one.
TEST_F(Attach, AControllerThatThrowsLeavesTheKeyToTheWindow) {
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    SearchState* state = FindSearchState(m_view.List());
    for (const bool namesThrow : {true, false}) {
        m_view.ClearReceived();
        state->m_pCtrl = std::make_unique<CThrowingCtrl>(m_view.List(), namesThrow);
        state->m_dwLastKeyTick.reset();
        SendMessageW(m_view.List(), WM_CHAR, L'b', 0);
        EXPECT_TRUE(m_view.HasReceived(WM_CHAR, L'b')) << namesThrow;
        EXPECT_EQ(FindSearchState(m_view.List()), state);
        EXPECT_EQ(Proc(), SearchWndProc);
    }
    state->m_pCtrl = std::make_unique<CSysListView32Ctrl>(m_view.List());
    state->m_dwLastKeyTick.reset();
    m_view.ClearReceived();
    SendMessageW(m_view.List(), WM_CHAR, L'b', 0);
    EXPECT_FALSE(m_view.HasReceived(WM_CHAR, L'b'));
    EXPECT_EQ(m_view.SelectedItems(), std::vector<int>{1});
    DetachWindow(m_view.List());
}

TEST_F(Attach, DetachOfAnUnattachedWindowDoesNothing) {
    const WNDPROC before = Proc();
    DetachWindow(m_view.List());
    DetachWindow(nullptr);
    EXPECT_EQ(Proc(), before);
}

// Another program's subclass put on top of the search, which passes every message on to the
// procedure it replaced and puts that back when it leaves.
class CSubclassOnTop {
  public:
    explicit CSubclassOnTop(HWND window) : m_window(window) {
        s_below = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
        s_seen = 0;
    }
    void Leave() const {
        SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_below));
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        ++s_seen;
        return CallWindowProcW(s_below, window, message, wParam, lParam);
    }
    static inline WNDPROC s_below = nullptr;
    static inline int s_seen = 0;

  private:
    HWND m_window;
};

TEST_F(Attach, DetachBelowAnotherSubclassStaysAPassThroughUntilItIsOnTopAgain) {
    const WNDPROC before = Proc();
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    const CSubclassOnTop other(m_view.List());
    ASSERT_EQ(CSubclassOnTop::s_below, SearchWndProc);
    SendMessageW(m_view.List(), WM_HOOK_DETACH, reinterpret_cast<WPARAM>(m_view.List()), 0);
    EXPECT_EQ(FindSearchState(m_view.List()), nullptr);
    EXPECT_EQ(Proc(), CSubclassOnTop::Proc);

    // Both procedures below the other subclass still see every message; none is searched.
    EXPECT_EQ(SendMessageW(m_view.List(), LVM_GETITEMCOUNT, 0, 0), 2);
    SendMessageW(m_view.List(), WM_CHAR, L'b', 0);
    EXPECT_TRUE(m_view.HasReceived(WM_CHAR, L'b'));
    EXPECT_GE(CSubclassOnTop::s_seen, 2);

    // Once the other subclass has left, the next message takes SearchWndProc out as well.
    other.Leave();
    EXPECT_EQ(Proc(), SearchWndProc);
    EXPECT_EQ(SendMessageW(m_view.List(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Proc(), before);
    EXPECT_EQ(PassThroughTarget(m_view.List()), nullptr);
}

// A shell extension's subclass through comctl32, which restores what it replaced once its
// last subclass is removed.
LRESULT CALLBACK CountingSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR seen) {
    ++*reinterpret_cast<int*>(seen);
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(Attach, ReattachBelowAnotherSubclassResumesInPlace) {
    const WNDPROC before = Proc();
    int seen = 0;
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    ASSERT_TRUE(
        SetWindowSubclass(m_view.List(), CountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&seen)));
    const WNDPROC comctl = Proc();
    DetachWindow(m_view.List());
    ASSERT_EQ(Proc(), comctl);

    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(Proc(), comctl);
    SearchState* state = FindSearchState(m_view.List());
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->m_pfnOrigWndProc, before);
    SendMessageW(m_view.List(), WM_CHAR, L'b', 0);
    EXPECT_EQ(state->m_searchText, L"b");
    EXPECT_FALSE(m_view.HasReceived(WM_CHAR, L'b'));
    EXPECT_EQ(m_view.SelectedItems(), std::vector<int>{1});

    DetachWindow(m_view.List());
    ASSERT_TRUE(RemoveWindowSubclass(m_view.List(), CountingSubclass, 1));
    EXPECT_GT(seen, 0);
    EXPECT_EQ(SendMessageW(m_view.List(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Proc(), before);
}

TEST_F(Attach, DestroyBelowAnotherSubclassForgetsThePassThrough) {
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    const CSubclassOnTop other(m_view.List());
    HWND list = m_view.List();
    DestroyWindow(list);
    EXPECT_TRUE(m_view.HasReceived(WM_DESTROY, 0));
    EXPECT_EQ(FindSearchState(list), nullptr);
    EXPECT_EQ(PassThroughTarget(list), nullptr);
}

TEST_F(Attach, WindowsOfTwoThreadsAttachAndDetachOnTheirOwn) {
    std::vector<std::thread> threads;
    std::atomic<int> attached{0};
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&attached] {
            for (int round = 0; round < 20; ++round) {
                CTestListView view({L"x", L"y"});
                attached += AttachWindow(view.List(), WM_HOOK_ATTACH_LISTVIEW);
                SendMessageW(view.List(), WM_CHAR, L'x', 0);
                DestroyWindow(view.List());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(attached.load(), 40);
}

} // namespace
