// What a search run shows besides the selection, on a real list view with its real controller
// and a real tip, as an attached window has them.
#include "hook/SearchState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
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
    EXPECT_EQ(Tip().GetText(), L"zzz");
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
    EXPECT_EQ(Tip().GetText(), L"b.t : bet");
    EXPECT_TRUE(CBeepCounter::s_beeps.empty());
}

// Escape clears the text and reads the names afresh; the candidates of the last run stay, so a
// move goes on through them, and the tip then shows the empty text before the match.
TEST_F(SearchStateTip, AfterAResetMovesStillUseTheLastCandidates) {
    Send(WM_CHAR, L'a');
    ASSERT_EQ(m_view.SelectedItems(), std::vector<int>{0});
    EXPECT_EQ(Tip().GetText(), L"a : a");
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(State().m_searchText.empty());
    Send(WM_SYSKEYDOWN, 'N');
    EXPECT_EQ(m_view.SelectedItems(), std::vector<int>{1});
    EXPECT_EQ(Tip().GetText(), L" : a");
}

} // namespace
