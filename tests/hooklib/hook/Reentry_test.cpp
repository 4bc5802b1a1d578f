// What reaches an attached window while its own key handler runs, and keys the search cannot use.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/TestViewCtrl.h"
#include "hook/Attach.h"
#include "hook/SearchState.h"
#include "settings/SharedBlock.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"

namespace {

constexpr int kInputTextId = 1001;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770") {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

enum class EInside { Names, Select };
enum class EArrives { DetachSent, DestroySent, DestroyedHere };

// A controller that, inside a call of the search, lets the window receive a detach or a destroy:
// sent from another thread while it waits taking sent messages, as a COM call's wait does, or
// destroyed on its own thread. It notes when it was deleted before its own call returned.
class CReentrantCtrl : public CWndCtrl {
  public:
    struct Trace {
        bool m_deleted = false;
        bool m_deletedInsideItsCall = false;
    };

    CReentrantCtrl(HWND window, EInside inside, EArrives arrives, Trace& trace)
        : CWndCtrl(window), m_inside(inside), m_arrives(arrives), m_trace(trace) {}
    ~CReentrantCtrl() override { m_trace.m_deleted = true; }

    int GetItemNames(ItemNames& names) override {
        names = {L"alpha", L"beta"};
        return Arrive(EInside::Names);
    }
    int SelectItem(int, int, int) override { return Arrive(EInside::Select); }

  private:
    int Arrive(EInside where) {
        if (where != m_inside) {
            return 0;
        }
        // Nothing of this object may be touched once the message is in: it may be gone.
        Trace& trace = m_trace;
        const HWND window = m_hWnd;
        if (m_arrives == EArrives::DestroyedHere) {
            DestroyWindow(window);
        } else {
            SendFromAnotherThread(window,
                                  m_arrives == EArrives::DetachSent ? WM_HOOK_DETACH : WM_DESTROY);
        }
        trace.m_deletedInsideItsCall = trace.m_deleted;
        return 0;
    }

    static void SendFromAnotherThread(HWND window, UINT message) {
        std::atomic<bool> sent{false};
        std::thread sender([&] {
            const bool detach = message == WM_HOOK_DETACH;
            SendMessageW(window, message, detach ? reinterpret_cast<WPARAM>(window) : 0, 0);
            sent = true;
        });
        while (!sent) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        sender.join();
    }

    EInside m_inside;
    EArrives m_arrives;
    Trace& m_trace;
};

class Reentry : public ::testing::Test {
  protected:
    WNDPROC Proc() const {
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_view.List(), GWLP_WNDPROC));
    }
    // Attaches the view with ctrl in place of its own controller, as a new search would find it.
    SearchState& AttachWith(std::unique_ptr<CWndCtrl> ctrl) {
        EXPECT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
        SearchState* state = FindSearchState(m_view.List());
        state->m_pCtrl = std::move(ctrl);
        return *state;
    }

    CSettingsGuard m_guard;
    CTestListView m_view{{L"alpha", L"beta"}};
};

struct ReentryCase {
    EInside m_inside;
    EArrives m_arrives;
};

TEST_F(Reentry, ADetachOrDestroyDuringTheSearchWaitsForItsEnd) {
    const ReentryCase cases[] = {
        {EInside::Names, EArrives::DetachSent},    {EInside::Names, EArrives::DestroySent},
        {EInside::Select, EArrives::DetachSent},   {EInside::Select, EArrives::DestroySent},
        {EInside::Names, EArrives::DestroyedHere}, {EInside::Select, EArrives::DestroyedHere},
    };
    for (const ReentryCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "inside " << static_cast<int>(c.m_inside) << ", arrives "
                                        << static_cast<int>(c.m_arrives));
        CTestListView view({L"alpha", L"beta"});
        const HWND list = view.List();
        const auto before = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
        ASSERT_EQ(AttachWindow(list, WM_HOOK_ATTACH_LISTVIEW), 1);
        CReentrantCtrl::Trace trace;
        FindSearchState(list)->m_pCtrl =
            std::make_unique<CReentrantCtrl>(list, c.m_inside, c.m_arrives, trace);

        SendMessageW(list, WM_CHAR, L'b', 0);

        EXPECT_FALSE(trace.m_deletedInsideItsCall);
        EXPECT_TRUE(trace.m_deleted);
        EXPECT_EQ(FindSearchState(list), nullptr);
        if (c.m_arrives == EArrives::DetachSent) {
            EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC)), before);
        } else {
            EXPECT_TRUE(view.HasReceived(WM_DESTROY, 0));
        }
    }
}

// The input dialog runs a message loop of its own: a detach that arrives while it is open waits
// for it, and the text typed into it is then no longer searched.
TEST_F(Reentry, ADetachWhileTheInputDialogIsOpenWaitsForIt) {
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    const DWORD viewThread = GetCurrentThreadId();
    std::atomic<bool> detachSent{false};
    std::thread closer([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 500 && dialog == nullptr; ++i) {
            Sleep(10);
            EnumThreadWindows(viewThread, FindDialog, reinterpret_cast<LPARAM>(&dialog));
        }
        SendMessageW(m_view.List(), WM_HOOK_DETACH, reinterpret_cast<WPARAM>(m_view.List()), 0);
        detachSent = true;
        if (dialog != nullptr) {
            SetDlgItemTextW(dialog, kInputTextId, L"beta");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
    });
    SendMessageW(m_view.List(), WM_SYSKEYDOWN, Shared.KeyBind_Input & 0xFFFF, 0);
    closer.join();
    EXPECT_TRUE(detachSent);
    EXPECT_EQ(FindSearchState(m_view.List()), nullptr);
    EXPECT_NE(Proc(), SearchWndProc);
    EXPECT_TRUE(m_view.SelectedItems().empty());
}

// When the names cannot be read, typed characters are the window's own, as if nothing were
// attached; once they can be read again, the next search takes them.
TEST_F(Reentry, KeysGoOnToTheWindowWhileItsNamesCannotBeRead) {
    auto ctrl = std::make_unique<CTestViewCtrl>(ItemNames{L"alpha", L"beta"});
    CTestViewCtrl& view = *ctrl;
    view.m_readFails = true;
    SearchState& state = AttachWith(std::move(ctrl));
    for (const wchar_t c : {L'b', L'e'}) {
        SendMessageW(m_view.List(), WM_CHAR, c, 0);
        EXPECT_TRUE(m_view.HasReceived(WM_CHAR, c));
    }
    EXPECT_TRUE(state.m_searchText.empty());
    EXPECT_TRUE(view.m_calls.empty());

    view.m_readFails = false;
    state.m_dwLastKeyTick.reset();
    m_view.ClearReceived();
    SendMessageW(m_view.List(), WM_CHAR, L'b', 0);
    EXPECT_FALSE(m_view.HasReceived(WM_CHAR, L'b'));
    EXPECT_EQ(view.m_selected, std::set<int>{1});
    DetachWindow(m_view.List());
}

// A rule may name a window that is not a list view: it keeps its own typing.
TEST_F(Reentry, AWindowThatIsNotAListViewKeepsItsTyping) {
    const unique_hwnd edit(CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPED, 0, 0, 100, 30, nullptr,
                                           nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_EQ(AttachWindow(edit.get(), WM_HOOK_ATTACH_LISTVIEW), 1);
    for (const wchar_t c : {L'a', L'b'}) {
        SendMessageW(edit.get(), WM_CHAR, c, 0);
    }
    wchar_t text[8] = {};
    GetWindowTextW(edit.get(), text, 8);
    EXPECT_STREQ(text, L"ab");
    DetachWindow(edit.get());
}

} // namespace
