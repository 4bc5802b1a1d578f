// What a search run shows besides the selection, on a real list view with its real controller
// and a real tip, as an attached window has them.
#include "hook/SearchState.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/XInput.h"
#include "hook/Attach.h"
#include "support/Messages.h"
#include "search/KeyHandler.h"

namespace {

// The import slot through which this program calls function of dll, or null.
void** FindImportSlot(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) {
            continue;
        }
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (auto* name =
                 reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
             name->u1.AddressOfData != 0; ++name, ++slot) {
            const bool byName = !IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal);
            if (byName && std::strcmp(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                          base + name->u1.AddressOfData)
                                          ->Name,
                                      function) == 0) {
                return reinterpret_cast<void**>(&slot->u1.Function);
            }
        }
    }
    return nullptr;
}

// Wine has no beep to listen for: while this lives, this program's calls of MessageBeep (the
// search's among them: it is linked in) are counted instead.
class CBeepCounter {
  public:
    CBeepCounter() : m_slot(FindImportSlot("user32.dll", "MessageBeep")) {
        s_beeps.clear();
        if (m_slot != nullptr) {
            m_original = Swap(reinterpret_cast<void*>(&Counting));
        }
    }
    ~CBeepCounter() {
        if (m_slot != nullptr) {
            Swap(m_original);
        }
    }
    CBeepCounter(const CBeepCounter&) = delete;
    CBeepCounter& operator=(const CBeepCounter&) = delete;
    bool Counts() const { return m_slot != nullptr; }

    static inline std::vector<UINT> s_beeps;

  private:
    static BOOL WINAPI Counting(UINT type) {
        s_beeps.push_back(type);
        return TRUE;
    }
    void* Swap(void* function) {
        DWORD protection = 0;
        VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &protection);
        void* before = *m_slot;
        *m_slot = function;
        VirtualProtect(m_slot, sizeof(void*), protection, &protection);
        return before;
    }
    void** m_slot;
    void* m_original = nullptr;
};

class SearchStateTip : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_beeps.Counts());
        Shared.ShowToolTip = 1;
        Shared.InputInterval = 60000;
        ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
        ASSERT_NE(State().m_pTip, nullptr);
        ResetSearch(State(), GetTickCount());
    }
    void TearDown() override { DetachWindow(m_view.List()); }

    SearchState& State() const { return *FindSearchState(m_view.List()); }
    const CInfoTip& Tip() const { return *State().m_pTip; }
    void Search(const wchar_t* text) {
        State().m_searchText = text;
        RunSearch(3, State(), PlainOnly);
    }
    LRESULT Send(UINT message, WPARAM wParam) const {
        return SendMessageW(m_view.List(), message, wParam, 0);
    }

    CSettingsGuard m_guard;
    CBeepCounter m_beeps;
    CTestListView m_view{{L"a1.txt", L"beta.txt", L"a2.txt"}};
};

TEST_F(SearchStateTip, NoMatchShowsTheTextAloneAtTheViewsCornerAndBeeps) {
    ListView_SetItemState(m_view.List(), 1, LVIS_SELECTED, LVIS_SELECTED);
    Search(L"zzz");
    EXPECT_EQ(CBeepCounter::s_beeps, std::vector<UINT>{0xFFFFFFFF});
    EXPECT_EQ(Tip().GetText(), L"zzz : 一致なし");
    ASSERT_TRUE(IsWindowVisible(Tip().GetWnd()));
    RECT view{};
    RECT tip{};
    GetWindowRect(m_view.List(), &view);
    GetWindowRect(Tip().GetWnd(), &tip);
    EXPECT_EQ(tip.left, view.left);
    EXPECT_EQ(tip.top, view.top);
    EXPECT_EQ(m_view.SelectedItems(), std::vector<int>{1});

    // Without a tip the beep stays.
    DetachWindow(m_view.List());
    Shared.ShowToolTip = 0;
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    ResetSearch(State(), GetTickCount());
    Search(L"zzz");
    EXPECT_EQ(CBeepCounter::s_beeps.size(), 2u);
}

TEST_F(SearchStateTip, ASelectionShowsTheSearchTextAndTheMatchedText) {
    Search(L"b.t");
    EXPECT_EQ(m_view.SelectedItems(), std::vector<int>{1});
    EXPECT_EQ(Tip().GetText(), L"b.t : bet (1/1)");
    EXPECT_TRUE(CBeepCounter::s_beeps.empty());
}

// Escape clears the text and reads the names afresh; the candidates of the last run stay, so a
// move goes on through them, and the tip then shows the empty text before the match.
TEST_F(SearchStateTip, AfterAResetMovesStillUseTheLastCandidates) {
    Send(WM_CHAR, L'a');
    ASSERT_EQ(m_view.SelectedItems(), std::vector<int>{0});
    EXPECT_EQ(Tip().GetText(), L"a : a (1/3)");
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(State().m_searchText.empty());
    Send(WM_SYSKEYDOWN, 'N');
    EXPECT_EQ(m_view.SelectedItems(), std::vector<int>{1});
    EXPECT_EQ(Tip().GetText(), L" : a (2/3)");
}

// What a screen reader gets: the live-region events of this process, taken as a screen reader
// takes them, out of context (delivered through this thread's message queue), with the
// accessible name of the object that raised each, read at delivery.
class CLiveRegionListener {
  public:
    CLiveRegionListener()
        : m_hook(SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, OnEvent,
                                 GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT)) {
        s_heard.clear();
    }
    ~CLiveRegionListener() { UnhookWinEvent(m_hook); }
    CLiveRegionListener(const CLiveRegionListener&) = delete;
    CLiveRegionListener& operator=(const CLiveRegionListener&) = delete;
    bool Listens() const { return m_hook != nullptr; }

    struct Heard {
        HWND m_hWnd;
        LONG m_idObject;
        std::wstring m_name;
    };
    static inline std::vector<Heard> s_heard;

  private:
    static constexpr DWORD kLiveRegionChanged = 0x8019;
    static std::wstring NameOf(HWND hWnd, LONG idObject) {
        IAccessible* object = nullptr;
        if (FAILED(AccessibleObjectFromWindow(hWnd, static_cast<DWORD>(idObject), IID_IAccessible,
                                              reinterpret_cast<void**>(&object)))) {
            return L"(no object)";
        }
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        std::wstring text = SUCCEEDED(object->get_accName(self, &name)) && name ? name : L"";
        SysFreeString(name);
        object->Release();
        return text;
    }
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND hWnd, LONG idObject, LONG, DWORD,
                                 DWORD) {
        s_heard.push_back({hWnd, idObject, NameOf(hWnd, idObject)});
    }
    HWINEVENTHOOK m_hook;
};

// A search, a move and a miss are each spoken once, by the tip, with its text as the name.
TEST_F(SearchStateTip, SearchMoveAndMissAreAnnouncedWithTheTipsText) {
    CLiveRegionListener listener;
    ASSERT_TRUE(listener.Listens());
    struct Step {
        std::function<void()> m_act;
        const wchar_t* m_spoken;
    };
    const Step steps[] = {
        {[this] { Search(L"a"); }, L"a : a (1/3)"},
        {[this] { SelectNextCandidate(State()); }, L"a : a (2/3)"},
        {[this] { SelectPreviousCandidate(State()); }, L"a : a (1/3)"},
        {[this] { Search(L"zzz"); }, L"zzz : 一致なし"},
    };
    for (const Step& step : steps) {
        CLiveRegionListener::s_heard.clear();
        step.m_act();
        ASSERT_TRUE(PumpUntil([] { return !CLiveRegionListener::s_heard.empty(); }))
            << "nothing heard for " << testing::PrintToString(std::wstring(step.m_spoken));
        PumpUntil([] { return false; }, 200);
        ASSERT_EQ(CLiveRegionListener::s_heard.size(), 1u);
        const auto& heard = CLiveRegionListener::s_heard[0];
        EXPECT_EQ(heard.m_hWnd, Tip().GetWnd());
        EXPECT_EQ(heard.m_idObject, OBJID_CLIENT);
        EXPECT_EQ(heard.m_name, step.m_spoken);
        EXPECT_TRUE(IsWindowVisible(Tip().GetWnd())) << "a hidden tip is passed over";
    }
    // Selecting every candidate moves nowhere: nothing to say.
    CLiveRegionListener::s_heard.clear();
    Search(L"a");
    PumpUntil([] { return false; }, 200);
    CLiveRegionListener::s_heard.clear();
    SelectAllCandidates(State());
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(CLiveRegionListener::s_heard.empty());
}

} // namespace
