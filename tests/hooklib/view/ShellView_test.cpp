// The shell controller against Wine's real Explorer-style Open dialog: a real shell32 view
// (SHELLDLL_DefView over a SysListView32) in a real browser host, attached through AttachWindow
// as the hook attaches it, so the subclass procedure runs too.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "harness/SettingsGuard.h"
#include "harness/WinTestSupport.h"
#include "hook/Attach.h"
#include "hook/SearchState.h"
#include "support/UniqueHandle.h"
#include "search/KeyHandler.h"
#include "support/Messages.h"
#include "view/ExplorerCtrl.h"

namespace {

using Names = std::vector<std::wstring>;
using DialogBody = std::function<void(HWND dialog, HWND items)>;

constexpr UINT kRunBody = WM_APP + 1;
DialogBody* CurrentBody = nullptr;

// Once the dialog has shown its folder, the body runs on the dialog's thread; the dialog then
// closes.
UINT_PTR CALLBACK OpenHookProc(HWND hookDialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == CDN_INITDONE) {
        PostMessageW(hookDialog, kRunBody, 0, 0);
    } else if (message == kRunBody) {
        const HWND dialog = GetParent(hookDialog);
        const HWND view = FindWindowExW(dialog, nullptr, L"SHELLDLL_DefView", nullptr);
        const HWND items = FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr);
        if (items == nullptr) {
            ADD_FAILURE() << "the dialog shows no SHELLDLL_DefView with a list view";
        } else {
            (*CurrentBody)(dialog, items);
        }
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}

void RunInOpenDialog(const std::wstring& folder, DialogBody body) {
    CurrentBody = &body;
    wchar_t file[4096] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFilter = L"All\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(std::size(file));
    ofn.lpstrInitialDir = folder.c_str();
    // Several items can be selected only with OFN_ALLOWMULTISELECT (else the view is
    // single-selection).
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ALLOWMULTISELECT | OFN_NOCHANGEDIR;
    ofn.lpfnHook = OpenHookProc;
    GetOpenFileNameW(&ofn);
    CurrentBody = nullptr;
}

// What the list view shows, in its order.
Names ShownTexts(HWND items) {
    Names texts;
    const auto count = static_cast<int>(SendMessageW(items, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageW(items, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        texts.emplace_back(text);
    }
    return texts;
}

std::set<std::wstring> SelectedTexts(HWND items) {
    const Names shown = ShownTexts(items);
    std::set<std::wstring> selected;
    for (int i = -1; (i = static_cast<int>(SendMessageW(
                          items, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1;) {
        selected.insert(shown[static_cast<size_t>(i)]);
    }
    return selected;
}

int IndexOf(HWND items, const std::wstring& text) {
    const Names shown = ShownTexts(items);
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The window whose text is at the focus and at the selection mark (the anchor of Shift+arrow).
std::wstring FocusedText(HWND items) {
    const auto i = static_cast<int>(
        SendMessageW(items, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    return i < 0 ? L"" : ShownTexts(items)[static_cast<size_t>(i)];
}
std::wstring MarkedText(HWND items) {
    const auto i = static_cast<int>(SendMessageW(items, LVM_GETSELECTIONMARK, 0, 0));
    return i < 0 ? L"" : ShownTexts(items)[static_cast<size_t>(i)];
}

// Lets the dialog's thread handle what was sent or posted to it until done holds or 5 s pass.
template <class Done> bool PumpUntil(Done done) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < 5000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    return done();
}

// Wine's view shows a file's extension unless HideFileExt (HKCU, Explorer\Advanced) is set, as
// Windows does; set for the lifetime of the object.
class CHiddenExtensions {
  public:
    CHiddenExtensions() { Set(1); }
    ~CHiddenExtensions() { Set(0); }
    CHiddenExtensions(const CHiddenExtensions&) = delete;
    CHiddenExtensions& operator=(const CHiddenExtensions&) = delete;

  private:
    static void Set(DWORD value) {
        RegSetKeyValueW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                        L"HideFileExt", REG_DWORD, &value, sizeof(value));
    }
};

CExplorerCtrl& ControllerOf(const SearchState& state) {
    return dynamic_cast<CExplorerCtrl&>(*state.m_pCtrl);
}

class ShellView : public ::testing::Test {
  protected:
    void SetUp() override {
        Shared.ShowToolTip = 0;
        Shared.PriorForwardMatch = 0;
        for (const wchar_t* name : {L"b_beta.txt", L"a_alpha.txt", L"d_delta.pdf",
                                    L"\u65e5\u672c\u8a9e.txt", L"e_alpha copy.txt"}) {
            WriteFileBytes(m_dir.Path() + L"\\" + name, "x");
        }
        CreateDirectoryW((m_dir.Path() + L"\\c_folder").c_str(), nullptr);
    }

    // Attaches the controller as the hook does (a list-view rule naming Wine's SysListView32).
    static SearchState& Attach(HWND items) {
        EXPECT_EQ(AttachWindow(items, WM_HOOK_ATTACH_LISTVIEW), 1);
        SearchState* state = FindSearchState(items);
        EXPECT_NE(state, nullptr);
        EXPECT_NE(dynamic_cast<CExplorerCtrl*>(state->m_pCtrl.get()), nullptr);
        return *state;
    }
    static Names NamesOf(const SearchState& state) {
        Names names;
        for (size_t i = 0; i < state.m_itemNames.size(); ++i) {
            names.emplace_back(state.m_itemNames[i]);
        }
        return names;
    }
    static void Search(SearchState& state, const std::wstring& text) {
        ResetSearch(state, GetTickCount());
        ASSERT_FALSE(state.m_namesUnreadable);
        SearchWholeText(state, text);
    }

    CSettingsGuard m_guard;
    CTempDir m_dir{L"skimvue-shell-view"};
};

TEST_F(ShellView, ReadsTheNamesInTheOrderTheViewShowsThem) {
    RunInOpenDialog(m_dir.Path(), [](HWND, HWND items) {
        SearchState& state = Attach(items);
        ResetSearch(state, GetTickCount());
        EXPECT_FALSE(state.m_namesUnreadable);
        const Names shown = ShownTexts(items);
        EXPECT_EQ(shown.size(), 6u);
        EXPECT_EQ(NamesOf(state), shown);
        DetachWindow(items);
    });
}

TEST_F(ShellView, SelectsMovesAndSelectsAllByTheItemsThemselves) {
    RunInOpenDialog(m_dir.Path(), [](HWND, HWND items) {
        SearchState& state = Attach(items);
        Search(state, L"alpha");
        EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"a_alpha.txt"}));
        EXPECT_EQ(FocusedText(items), L"a_alpha.txt");
        EXPECT_EQ(MarkedText(items), L"a_alpha.txt");

        SelectNextCandidate(state);
        EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"e_alpha copy.txt"}));
        EXPECT_EQ(MarkedText(items), L"e_alpha copy.txt");
        SelectNextCandidate(state);
        EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"a_alpha.txt"}));
        SelectPreviousCandidate(state);
        EXPECT_EQ(FocusedText(items), L"e_alpha copy.txt");

        Search(state, L"\\.txt$");
        SelectAllCandidates(state);
        EXPECT_EQ(SelectedTexts(items),
                  (std::set<std::wstring>{L"a_alpha.txt", L"b_beta.txt", L"e_alpha copy.txt",
                                          L"\u65e5\u672c\u8a9e.txt"}));
        DetachWindow(items);
    });
}

TEST_F(ShellView, HiddenExtensionsAreSearchedAndShownAsMatched) {
    const CHiddenExtensions hidden;
    RunInOpenDialog(m_dir.Path(), [](HWND, HWND items) {
        SearchState& state = Attach(items);
        // The view hides them...
        EXPECT_NE(IndexOf(items, L"d_delta"), -1);
        EXPECT_EQ(IndexOf(items, L"d_delta.pdf"), -1);
        // ...and the search finds the file by its extension all the same.
        Search(state, L"\\.pdf$");
        ASSERT_EQ(state.m_candidates.size(), 1u);
        EXPECT_EQ(state.m_candidates[0].m_matchedText, L".pdf");
        EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"d_delta"}));
        // UI Automation finds the item by the name the view shows.
        const int found = static_cast<int>(state.m_candidates[0].m_itemIndex);
        EXPECT_EQ(state.m_pCtrl->GetItemLabel(found, L"d_delta.pdf"), L"d_delta");
        const Names names = NamesOf(state);
        EXPECT_NE(std::find(names.begin(), names.end(), L"c_folder"), names.end());
        EXPECT_NE(std::find(names.begin(), names.end(), L"a_alpha.txt"), names.end());
        DetachWindow(items);
    });
}

// Wine's file browser is an ExplorerBrowser control, whose window answers CWM_GETISHELLBROWSER
// (Wine's ebrowser.c): its view is bound like a dialog's. Bound, the hidden extension is
// searched; a list view searched by its own texts would not find it.
TEST_F(ShellView, AnExplorerBrowserControlIsBoundThroughItsWindow) {
    const CHiddenExtensions hidden;
    const unique_com_init com(COINIT_APARTMENTTHREADED);
    const unique_hwnd host(CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600,
                                           400, nullptr, nullptr, nullptr, nullptr));
    Microsoft::WRL::ComPtr<IExplorerBrowser> browser;
    ASSERT_EQ(CoCreateInstance(CLSID_ExplorerBrowser, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(&browser)),
              S_OK);
    RECT bounds{0, 0, 600, 400};
    FOLDERSETTINGS settings{FVM_DETAILS, 0};
    ASSERT_EQ(browser->Initialize(host.get(), &bounds, &settings), S_OK);
    unique_pidl folder;
    ASSERT_EQ(SHParseDisplayName(m_dir.Path().c_str(), nullptr, folder.put(), 0, nullptr), S_OK);
    ASSERT_EQ(browser->BrowseToIDList(folder.get(), SBSP_ABSOLUTE), S_OK);
    const HWND control = FindWindowExW(host.get(), nullptr, L"ExplorerBrowserControl", nullptr);
    const HWND view = FindWindowExW(control, nullptr, L"SHELLDLL_DefView", nullptr);
    const HWND items = FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(items, nullptr);
    SearchState& state = Attach(items);
    Search(state, L"\\.pdf$");
    ASSERT_EQ(state.m_candidates.size(), 1u);
    EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"d_delta"}));
    DetachWindow(items);
    browser->Destroy();
}

TEST(ShellViewEmpty, AnEmptyFolderGivesNoNamesAndNoFailure) {
    const CSettingsGuard guard;
    const CTempDir empty(L"skimvue-shell-empty");
    RunInOpenDialog(empty.Path(), [](HWND, HWND items) {
        ASSERT_EQ(AttachWindow(items, WM_HOOK_ATTACH_LISTVIEW), 1);
        SearchState* state = FindSearchState(items);
        ResetSearch(*state, GetTickCount());
        EXPECT_FALSE(state->m_namesUnreadable);
        EXPECT_EQ(state->m_itemNames.size(), 0u);
        DetachWindow(items);
    });
}

// What the user's F5 does: the dialog's view lists its folder afresh.
void RefreshView(HWND dialog) {
    const auto psb = reinterpret_cast<IShellBrowser*>(SendMessageW(dialog, WM_USER + 7, 0, 0));
    ASSERT_NE(psb, nullptr);
    IShellView* psv = nullptr;
    ASSERT_EQ(psb->QueryActiveShellView(&psv), S_OK);
    psv->Refresh();
    psv->Release();
}

// The shell tells the view of a new file (SHChangeNotify, as every program that changes files
// for the user does), a refresh shows a renamed one; the view updates its list, and the next
// search sees it. A candidate found before the change is still selected as itself, though its
// index moved and the names were read again ahead of the next search.
TEST_F(ShellView, AFolderThatChangesWhileSearchedIsReadAgain) {
    const std::wstring dir = m_dir.Path();
    RunInOpenDialog(dir, [&dir](HWND dialog, HWND items) {
        SearchState& state = Attach(items);
        Search(state, L"delta");
        ASSERT_EQ(state.m_candidates.size(), 1u);
        const std::wstring created = dir + L"\\0_created.txt";
        WriteFileBytes(created, "x");
        SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW | SHCNF_FLUSH, created.c_str(), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return IndexOf(items, L"0_created.txt") != -1; }));
        ASSERT_TRUE(PumpUntil([&] { return ControllerOf(state).HasNamesAhead(); }));
        SelectCurrentCandidate(state);
        EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"d_delta.pdf"}));
        EXPECT_EQ(MarkedText(items), L"d_delta.pdf");
        ResetSearch(state, GetTickCount());
        EXPECT_EQ(NamesOf(state), ShownTexts(items));

        // As many items as before: only the list view's messages tell of the change.

        const std::wstring renamed = dir + L"\\b_renamed.txt";
        ASSERT_TRUE(MoveFileW((dir + L"\\b_beta.txt").c_str(), renamed.c_str()));
        RefreshView(dialog);
        ASSERT_TRUE(PumpUntil([&] { return IndexOf(items, L"b_renamed.txt") != -1; }));
        ResetSearch(state, GetTickCount());
        EXPECT_EQ(NamesOf(state), ShownTexts(items));
        Search(state, L"created|renamed");
        EXPECT_EQ(state.m_candidates.size(), 2u);
        DetachWindow(items);
    });
}

// Handles what reaches the dialog's thread for a while, as an idle dialog does.
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; });
}

// Lets one tick of the controller's read-ahead run while another message waits in the queue, so
// its part stops at once.
void ReadOnePart(HWND items, const CWndCtrl* ctrl) {
    PostMessageW(items, WM_NULL, 0, 0);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        MSG msg;
        if (PeekMessageW(&msg, items, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            DispatchMessageW(&msg);
            if (msg.wParam == reinterpret_cast<WPARAM>(ctrl)) {
                return;
            }
        }
        Sleep(1);
    }
    ADD_FAILURE() << "the read-ahead never ran";
}

// The names are read ahead, while the view is idle, in parts of a few milliseconds: a folder of
// a few thousand files takes several parts.
class ShellViewReadAhead : public ShellView {
  protected:
    void SetUp() override {
        ShellView::SetUp();
        for (int i = 0; i < 2000; ++i) {
            WriteFileBytes(m_dir.Path() + L"\\file_" + std::to_wstring(i + 10000) + L".txt", "");
        }
        // Last in the view's order, so a search on part of the names would miss it.
        WriteFileBytes(m_dir.Path() + L"\\zz_target.txt", "");
    }
};

TEST_F(ShellViewReadAhead, NamesAreReadyAfterIdleWithoutAKey) {
    RunInOpenDialog(m_dir.Path(), [](HWND, HWND items) {
        SearchState& state = Attach(items);
        ASSERT_TRUE(PumpUntil([&] { return ControllerOf(state).HasNamesAhead(); }));
        ResetSearch(state, GetTickCount());
        EXPECT_EQ(NamesOf(state), ShownTexts(items));
        DetachWindow(items);
    });
}

TEST_F(ShellViewReadAhead, AKeyDuringTheReadFinishesItAndFindsTheItem) {
    RunInOpenDialog(m_dir.Path(), [](HWND, HWND items) {
        SearchState& state = Attach(items);
        ReadOnePart(items, state.m_pCtrl.get());
        // Part of the names is read.
        ASSERT_FALSE(ControllerOf(state).HasNamesAhead());
        Search(state, L"target");
        EXPECT_EQ(SelectedTexts(items), (std::set<std::wstring>{L"zz_target.txt"}));
        EXPECT_EQ(NamesOf(state), ShownTexts(items));
        DetachWindow(items);
    });
}

// Counts what of a detached controller still reaches the window it was attached to.
WNDPROC StrayNextProc = nullptr;
WPARAM StrayTimer = 0;
int Strays = 0;
LRESULT CALLBACK CountStrays(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Strays += (message == WM_TIMER && wParam == StrayTimer) || message == WM_HOOK_SHELL_CHANGE;
    return CallWindowProcW(StrayNextProc, window, message, wParam, lParam);
}

// Nothing of the controller reaches the window once it is detached in the middle of a read: no
// tick of its timer, no change notification.
TEST_F(ShellViewReadAhead, ADetachDuringTheReadLeavesNothingBehind) {
    const std::wstring dir = m_dir.Path();
    RunInOpenDialog(dir, [&dir](HWND, HWND items) {
        SearchState& state = Attach(items);
        StrayTimer = reinterpret_cast<WPARAM>(state.m_pCtrl.get());
        ReadOnePart(items, state.m_pCtrl.get());
        ASSERT_FALSE(ControllerOf(state).HasNamesAhead());
        DetachWindow(items);
        Strays = 0;
        StrayNextProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(items, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountStrays)));
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, dir.c_str(), nullptr);
        PumpFor(200);
        SetWindowLongPtrW(items, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StrayNextProc));
        EXPECT_EQ(Strays, 0);
    });
}

// A change the view itself passes over (Wine's view ignores SHCNE_UPDATEDIR, as a DirectUIHWND
// item window tells nothing of a rename) still marks the names for reading again, and they are
// read again when the view is idle. Wine delivers to a registration that is not recursive only
// what names the folder itself; Windows delivers its items' changes too.
TEST_F(ShellView, AChangeNotificationOfTheFolderMakesTheNamesBeReadAgain) {
    const std::wstring dir = m_dir.Path();
    RunInOpenDialog(dir, [&dir](HWND, HWND items) {
        SearchState& state = Attach(items);
        const CExplorerCtrl& ctrl = ControllerOf(state);
        ASSERT_TRUE(PumpUntil([&] { return ctrl.HasNamesAhead(); }));
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, dir.c_str(), nullptr);
        // Only the notification is let through: the timer cannot read the names meanwhile.
        const DWORD start = GetTickCount();
        while (ctrl.HasNamesAhead() && GetTickCount() - start < 5000) {
            MSG msg;
            while (
                PeekMessageW(&msg, items, WM_HOOK_SHELL_CHANGE, WM_HOOK_SHELL_CHANGE, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
            Sleep(5);
        }
        EXPECT_FALSE(ctrl.HasNamesAhead());
        EXPECT_TRUE(PumpUntil([&] { return ctrl.HasNamesAhead(); }));
        DetachWindow(items);
    });
}

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// One search as the first key of it runs: the names, then the search and the selection.
void TimeSearch(SearchState& state, const char* what) {
    const auto start = Clock::now();
    ResetSearch(state, GetTickCount());
    const auto read = Clock::now();
    SearchWholeText(state, L"file_00123");
    const auto selected = Clock::now();
    std::printf("  %s: names %.1f ms, search and select %.1f ms, total %.1f ms\n", what,
                Ms(read - start), Ms(selected - read), Ms(selected - start));
}

// Where the first selection of a view spends its time: the list view's own messages, one by one,
// selecting the item at 1/part of the list.
void TimeFirstSelection(HWND items, int part) {
    const auto index = static_cast<int>(SendMessageW(items, LVM_GETITEMCOUNT, 0, 0)) / part;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    const auto start = Clock::now();
    SendMessageW(items, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    const auto deselected = Clock::now();
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(items, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    const auto set = Clock::now();
    SendMessageW(items, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), 0);
    const auto visible = Clock::now();
    std::printf("  list view: deselect all %.1f ms, select and focus %.1f ms, ensure visible "
                "%.1f ms\n",
                Ms(deselected - start), Ms(set - deselected), Ms(visible - set));
}

// By hand: figures of the first key of a search, typed at once after the dialog opened and after
// a second of idling (names read ahead), of later searches, and of the parts of the first
// selection, on a folder of SKIMVUE_FIGURES_FILES files (default 10000):
//   skimvue_shell_view_tests.exe --gtest_also_run_disabled_tests --gtest_filter=*Figures*
TEST(ShellViewFigures, DISABLED_FirstAndLaterSearches) {
    const CSettingsGuard guard;
    Shared.ShowToolTip = 0;
    const CTempDir temp(L"skimvue-shell-figures");
    wchar_t value[MAX_PATH] = {};
    const int files =
        GetEnvironmentVariableW(L"SKIMVUE_FIGURES_FILES", value, 32) > 0 ? _wtoi(value) : 10000;
    // A folder of that many files named alike, filled beforehand (Wine's CreateFileW reads the
    // whole folder for every file it creates: 100,000 files are made on the Unix side).
    std::wstring dir = temp.Path();
    if (GetEnvironmentVariableW(L"SKIMVUE_FIGURES_DIR", value, MAX_PATH) > 0) {
        dir = value;
    } else {
        for (int i = 0; i < files; ++i) {
            wchar_t name[64];
            swprintf(name, 64, L"\\file_%05d_%ls.txt", (i * 7919) % files, i % 3 ? L"doc" : L"img");
            WriteFileBytes(dir + name, "");
        }
    }
    std::printf("%d files\n", files);
    RunInOpenDialog(dir, [](HWND, HWND items) {
        ASSERT_EQ(AttachWindow(items, WM_HOOK_ATTACH_LISTVIEW), 1);
        SearchState& state = *FindSearchState(items);
        TimeSearch(state, "first search, typed at once");
        TimeSearch(state, "later search");
        DetachWindow(items);
    });
    // SKIMVUE_FIGURES_IDLE_MS: how long the dialog idles first (default 1000).
    const DWORD idle =
        GetEnvironmentVariableW(L"SKIMVUE_FIGURES_IDLE_MS", value, 32) > 0 ? _wtoi(value) : 1000;
    RunInOpenDialog(dir, [idle, &dir](HWND, HWND items) {
        ASSERT_EQ(AttachWindow(items, WM_HOOK_ATTACH_LISTVIEW), 1);
        SearchState& state = *FindSearchState(items);
        PumpFor(idle);
        std::printf("  after %lu ms idle (names read ahead: %s):\n", idle,
                    ControllerOf(state).HasNamesAhead() ? "yes" : "no");
        TimeSearch(state, "first search after idling");
        TimeSearch(state, "later search");
        // The names read again, the shell asked only for those it has not given yet.
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, dir.c_str(), nullptr);
        TimeSearch(state, "first search after a change, typed at once");
        const auto start = Clock::now();
        SelectNextCandidate(state);
        std::printf("  next %.2f ms\n", Ms(Clock::now() - start));
        DetachWindow(items);
    });
    // The first selection of a view that has not painted yet pays for its first painting.
    RunInOpenDialog(dir, [](HWND, HWND items) {
        std::printf("  a selection at once, before the first painting:\n");
        TimeFirstSelection(items, 2);
        TimeFirstSelection(items, 3);
    });
    RunInOpenDialog(dir, [](HWND dialog, HWND items) {
        const auto start = Clock::now();
        UpdateWindow(dialog);
        std::printf("  the dialog's first painting: %.1f ms, then a selection:\n",
                    Ms(Clock::now() - start));
        TimeFirstSelection(items, 2);
        TimeFirstSelection(items, 3);
    });
}

} // namespace
