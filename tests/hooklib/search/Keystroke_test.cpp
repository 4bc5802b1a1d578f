#include "search/Keystroke.h"

#include <gtest/gtest.h>
#include <imm.h>

#include <algorithm>
#include <memory>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/XInput.h"
#include "hook/Attach.h"
#include "hook/SearchState.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"

namespace {

constexpr wchar_t kTitle[] = L"Skimvue keystroke test";

// A real list view attached to the search, focused on the test display so real keystrokes
// from xdotool reach it.
class Keystroke : public ::testing::Test {
  protected:
    // One visible window for the whole suite: each test attaches it afresh.
    static void SetUpTestSuite() {
        s_view = std::make_unique<CTestListView>(
            std::vector<std::wstring>{L"alpha.txt", L"beta.txt", L"gamma.txt", L"alpine.doc",
                                      L"alps.txt"},
            LVS_REPORT, kTitle, true);
    }
    static void TearDownTestSuite() { s_view.reset(); }
    void SetUp() override {
        // A loaded machine may pause between two keys; only the pause tests set their interval.
        Shared.InputInterval = 60000;
        m_view.ClearSelection();
        m_view.ClearReceived();
        ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
        ASSERT_TRUE(FocusWindowByTitle(kTitle));
        SetFocus(m_view.List());
        PumpMessagesFor(100);
    }
    void TearDown() override {
        // Input still on its way belongs to this test, not to the next one's window.
        PumpMessagesFor(300);
        DetachWindow(m_view.List());
    }

    SearchState& State() const { return *FindSearchState(m_view.List()); }
    std::vector<int> Selected() const { return m_view.SelectedItems(); }
    LRESULT SendChar(wchar_t c) const { return SendMessageW(m_view.List(), WM_CHAR, c, 0); }
    void PostChar(wchar_t c) const { PostMessageW(m_view.List(), WM_CHAR, c, 0); }
    void PostKey(WPARAM key) const { PostMessageW(m_view.List(), WM_KEYDOWN, key, 1); }
    bool ListGotChar(wchar_t c) const { return m_view.HasReceived(WM_CHAR, c); }

    static std::unique_ptr<CTestListView> s_view;
    CSettingsGuard m_guard;
    CTestListView& m_view = *s_view;
};

std::unique_ptr<CTestListView> Keystroke::s_view;

TEST_F(Keystroke, TypingSelectsTheFirstMatchAndIsConsumed) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 gAm"));
    EXPECT_EQ(State().m_searchText, L"gam");
    EXPECT_EQ(Selected(), (std::vector<int>{2}));
    EXPECT_EQ(m_view.FocusedItem(), 2);
    EXPECT_FALSE(ListGotChar(L'g'));
    EXPECT_FALSE(ListGotChar(L'A'));
}

TEST_F(Keystroke, EscapeStartsAfreshAndIsPassedOn) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 bet"));
    ASSERT_EQ(Selected(), (std::vector<int>{1}));
    ASSERT_TRUE(Xdotool(L"key Escape type --delay 40 alps"));
    EXPECT_EQ(State().m_searchText, L"alps");
    EXPECT_EQ(Selected(), (std::vector<int>{4}));
    EXPECT_TRUE(m_view.HasReceived(WM_KEYDOWN, VK_ESCAPE));
}
// The window's thread was busy (a slow search) while the user typed on: the key waited in the
// queue longer than the interval, but was typed right after the one before. The keys are posted
// as the keyboard posts them, and translated into characters when they are taken from the queue.
TEST_F(Keystroke, AKeyThatWaitedInTheQueueContinuesTheText) {
    Shared.InputInterval = 300;
    PostKey('B');
    PumpMessagesFor(50);
    PostKey('E');
    Sleep(800);
    PumpMessagesFor(50);
    EXPECT_EQ(State().m_searchText, L"be");
    PumpMessagesFor(800);
    PostKey('T');
    PumpMessagesFor(50);
    EXPECT_EQ(State().m_searchText, L"t");
}

// Backspace within a text being typed takes back its last character and searches again; neither
// the key nor its character reaches the list. Enter and a leading space stay the list's.
TEST_F(Keystroke, BackspaceEditsTheTextEnterAndALeadingSpacePassThrough) {
    ASSERT_TRUE(Xdotool(L"key space"));
    EXPECT_TRUE(ListGotChar(L' '));
    EXPECT_TRUE(State().m_searchText.empty());
    ASSERT_TRUE(Xdotool(L"type --delay 40 alpi"));
    ASSERT_EQ(Selected(), (std::vector<int>{3}));
    ASSERT_TRUE(Xdotool(L"key BackSpace Return"));
    EXPECT_EQ(State().m_searchText, L"alp");
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    EXPECT_FALSE(m_view.HasReceived(WM_KEYDOWN, VK_BACK));
    EXPECT_FALSE(ListGotChar(0x08));
    EXPECT_TRUE(ListGotChar(0x0D));
    ASSERT_TRUE(Xdotool(L"key space type s"));
    EXPECT_EQ(State().m_searchText, L"alp s");
}
// A character beyond the basic plane arrives as two WM_CHARs (here posted as the keyboard would
// post them): neither half reaches the list, and Backspace takes back both.
TEST_F(Keystroke, ASurrogatePairIsOneCharacter) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 al"));
    PostChar(0xD842);
    PostChar(0xDFB7);
    PumpMessagesFor(100);
    EXPECT_EQ(State().m_searchText, L"al\xD842\xDFB7");
    EXPECT_FALSE(ListGotChar(0xD842));
    EXPECT_FALSE(ListGotChar(0xDFB7));
    PostKey(VK_BACK);
    PumpMessagesFor(100);
    EXPECT_EQ(State().m_searchText, L"al");
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    EXPECT_FALSE(ListGotChar(0x08));
}
// Real Alt and Shift through the system's key state; every binding's logic is tested natively.
TEST_F(Keystroke, AltBindingsMoveThroughTheCandidatesAndShiftReverses) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 al"));
    ASSERT_EQ(Selected(), (std::vector<int>{0}));
    ASSERT_TRUE(Xdotool(L"key alt+n"));
    EXPECT_EQ(Selected(), (std::vector<int>{3}));
    ASSERT_TRUE(Xdotool(L"key shift+alt+n"));
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    ASSERT_TRUE(Xdotool(L"key alt+s"));
    EXPECT_EQ(Selected(), (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(m_view.HasReceived(WM_SYSKEYDOWN, 'N'));
    EXPECT_TRUE(m_view.HasReceived(WM_SYSKEYDOWN, 'S'));
}

// Menu keys (WM_SYSCOMMAND SC_KEYMENU, lParam the character) sent to any window of the thread.
std::vector<LPARAM> KeyMenus;
LRESULT CALLBACK RecordKeyMenu(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_SYSCOMMAND &&
        (sent->wParam & 0xFFF0) == SC_KEYMENU) {
        KeyMenus.push_back(sent->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A binding is one key: its WM_SYSCHAR never reaches the list, whose default handling would
// look for a menu key (SC_KEYMENU: a beep without a menu). An Alt key that is no binding keeps
// its character, and the system makes its menu key of it.
TEST_F(Keystroke, AnAltBindingTakesItsCharacterAndNoOther) {
    KeyMenus.clear();
    const unique_hhook hook(
        SetWindowsHookExW(WH_CALLWNDPROC, RecordKeyMenu, nullptr, GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    ASSERT_TRUE(Xdotool(L"type --delay 40 al"));
    ASSERT_TRUE(Xdotool(L"key alt+n alt+x"));
    PumpMessagesFor(100);
    EXPECT_EQ(Selected(), (std::vector<int>{3}));
    EXPECT_TRUE(m_view.HasReceived(WM_SYSKEYDOWN, 'N'));
    EXPECT_FALSE(m_view.HasReceived(WM_SYSCHAR, 'n'));
    EXPECT_TRUE(m_view.HasReceived(WM_SYSCHAR, 'x'));
    EXPECT_EQ(std::count(KeyMenus.begin(), KeyMenus.end(), 'n'), 0);
    EXPECT_GT(std::count(KeyMenus.begin(), KeyMenus.end(), 'x'), 0);
}

TEST_F(Keystroke, CtrlBindingFiresAndIsPassedOn) {
    Shared.KeyBind_Next = KEYBIND_CTRL | L'J';
    ASSERT_TRUE(Xdotool(L"type --delay 40 al"));
    ASSERT_TRUE(Xdotool(L"key ctrl+j"));
    EXPECT_EQ(Selected(), (std::vector<int>{3}));
    EXPECT_TRUE(m_view.HasReceived(WM_KEYDOWN, 'J'));
    EXPECT_FALSE(ListGotChar(L'\n'));
}
// A list view tells where its item is at once: the tip shows below it, with no worker and no
// UI Automation (which Wine lacks).
TEST_F(Keystroke, TheTipShowsBelowTheSelectedItem) {
    DetachWindow(m_view.List());
    Shared.ShowToolTip = 1;
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    const HWND tip = State().m_pTip->GetWnd();
    SendChar(L'g');
    SendChar(L'a');
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }));
    RECT item{};
    ListView_GetItemRect(m_view.List(), 2, &item, LVIR_BOUNDS);
    POINT below{item.left, item.bottom};
    ClientToScreen(m_view.List(), &below);
    RECT shown{};
    GetWindowRect(tip, &shown);
    EXPECT_EQ(shown.left, below.x);
    EXPECT_EQ(shown.top, below.y);
}

TEST_F(Keystroke, InputDialogOkSearchesTheTypedTextWithoutMigemo) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 bet"));
    ASSERT_TRUE(Xdotool(L"key alt+i sleep 1 type --delay 40 --args 1 Mma.t sleep 0.3 key Return"));
    PumpMessagesFor(300);
    EXPECT_FALSE(ListGotChar(L'M'));
    EXPECT_EQ(State().m_searchText, L"Mma.t");
    EXPECT_EQ(Selected(), (std::vector<int>{2}));
    EXPECT_TRUE(m_view.HasReceived(WM_SYSKEYDOWN, 'I'));
}

TEST_F(Keystroke, InputDialogEscapeLeavesTheTextEmpty) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 bet"));
    ASSERT_TRUE(Xdotool(L"key alt+i sleep 1 type --delay 40 --args 1 gam sleep 0.3 key Escape"));
    PumpMessagesFor(300);
    EXPECT_FALSE(ListGotChar(L'g'));
    EXPECT_TRUE(State().m_searchText.empty());
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
}

TEST_F(Keystroke, InputDialogCancelButtonLeavesTheTextEmpty) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 bet"));
    ASSERT_TRUE(
        Xdotool(L"key alt+i sleep 1 type --delay 40 --args 1 gam sleep 0.3 key Tab Tab space"));
    PumpMessagesFor(300);
    EXPECT_FALSE(ListGotChar(L'g'));
    EXPECT_TRUE(State().m_searchText.empty());
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
}

HIMC ContextOf(HWND window) {
    const unique_himc context(window, ImmGetContext(window));
    return context.get();
}

// With DisableIme on, the list has no input context while attached, from the attach on (before
// any key); a window beside it (an address bar) keeps its own; a change of the setting is
// followed when the list gets the focus, and a detach gives the list its context back.
TEST_F(Keystroke, DisableImeTakesTheListsInputContextWhileAttached) {
    DetachWindow(m_view.List());
    const HIMC own = ContextOf(m_view.List());
    if (own == nullptr) {
        GTEST_SKIP() << "no input context on this display";
    }
    const unique_hwnd addressBar(CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 50, 20,
                                                 GetParent(m_view.List()), nullptr, nullptr,
                                                 nullptr));
    Shared.DisableIme = 1;
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_EQ(ContextOf(m_view.List()), nullptr);
    EXPECT_NE(ContextOf(addressBar.get()), nullptr);
    Shared.DisableIme = 0;
    SetFocus(addressBar.get());
    SetFocus(m_view.List());
    EXPECT_EQ(ContextOf(m_view.List()), own);
    Shared.DisableIme = 1;
    SetFocus(addressBar.get());
    SetFocus(m_view.List());
    EXPECT_EQ(ContextOf(m_view.List()), nullptr);
    DetachWindow(m_view.List());
    EXPECT_EQ(ContextOf(m_view.List()), own);
    ASSERT_EQ(AttachWindow(m_view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
}

// What the input method editor sends after the key it took (VK_PROCESSKEY) is typed text: it is
// searched, and neither WM_IME_CHAR nor the WM_CHAR that DefWindowProc makes of it reaches the
// list.
TEST_F(Keystroke, ImeCharactersAreSearchedAndConsumed) {
    SendMessageW(m_view.List(), WM_KEYDOWN, VK_PROCESSKEY, 1);
    SendMessageW(m_view.List(), WM_IME_CHAR, L'b', 1);
    SendMessageW(m_view.List(), WM_IME_CHAR, L'e', 1);
    EXPECT_EQ(State().m_searchText, L"be");
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_FALSE(m_view.HasReceived(WM_IME_CHAR, L'b'));
    EXPECT_FALSE(ListGotChar(L'b'));
}

// A composition committed through the list's input context (Wine's imm32 holds a composition
// string without an input method: ImmSetCompositionStringW, then CPS_COMPLETE, which sends
// WM_IME_COMPOSITION with GCS_RESULTSTR) is searched once: the composition goes on to the list
// without its result, so no WM_IME_CHAR or WM_CHAR is made of the text.
TEST_F(Keystroke, ACommittedCompositionIsSearchedOnce) {
    const unique_himc context(m_view.List(), ImmGetContext(m_view.List()));
    ASSERT_TRUE(context);
    ASSERT_TRUE(ImmSetOpenStatus(context.get(), TRUE));
    wchar_t text[] = L"be";
    ASSERT_TRUE(
        ImmSetCompositionStringW(context.get(), SCS_SETSTR, text, sizeof text - 2, nullptr, 0));
    ASSERT_TRUE(ImmNotifyIME(context.get(), NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
    PumpMessagesFor(100);
    ImmSetOpenStatus(context.get(), FALSE);
    EXPECT_EQ(State().m_searchText, L"be");
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_FALSE(m_view.HasReceived(WM_IME_CHAR, L'b'));
    EXPECT_FALSE(ListGotChar(L'b'));
    const auto& received = m_view.m_received;
    EXPECT_TRUE(std::any_of(received.begin(), received.end(), [](const auto& r) {
        return r.m_message == WM_IME_COMPOSITION && (r.m_lParam & GCS_RESULTSTR) == 0;
    }));
}

} // namespace

// The system's character classes behind the key logic's (a space within the text is the key
// logic's own rule, tested natively).
TEST(Keystroke_Characters, GraphicAndFolded) {
    for (const wchar_t c : {L'a', L'7', L'^', L'\u691c'}) {
        EXPECT_TRUE(IsGraphicCharacter(c)) << static_cast<int>(c);
    }
    for (const wchar_t c : {L' ', L'\b', L'\r', L'\t', L'\x1b', L'\x13', L'\u3000'}) {
        EXPECT_FALSE(IsGraphicCharacter(c)) << static_cast<int>(c);
    }
    EXPECT_EQ(FoldTypedCharacter(L'Q'), L'q');
    EXPECT_EQ(FoldTypedCharacter(L'.'), L'.');
    EXPECT_EQ(FoldTypedCharacter(L'\u691c'), L'\u691c');
}

namespace {

constexpr wchar_t kRomajiTitle[] = L"Skimvue romaji test";

// Romaji typed into a real list view of Japanese names, with the real migemo.dll and its
// dictionary beside the test program.
class KeystrokeRomaji : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_view = std::make_unique<CTestListView>(
            std::vector<std::wstring>{L"kenji.txt", L"\u65e7\u691c\u7d22.txt",
                                      L"\u691c\u7d22\u7d50\u679c.txt", L"\u65e5\u672c\u8a9e.md",
                                      L"notes.txt"},
            LVS_REPORT, kRomajiTitle, true);
    }
    static void TearDownTestSuite() { s_view.reset(); }
    void SetUp() override {
        Shared.InputInterval = 60000;
        s_view->ClearSelection();
        ASSERT_EQ(AttachWindow(s_view->List(), WM_HOOK_ATTACH_LISTVIEW), 1);
        ASSERT_TRUE(FocusWindowByTitle(kRomajiTitle));
        SetFocus(s_view->List());
        PumpMessagesFor(100);
    }
    void TearDown() override {
        PumpMessagesFor(300);
        DetachWindow(s_view->List());
    }
    std::vector<int> Selected() const { return s_view->SelectedItems(); }
    const std::wstring& Text() const { return FindSearchState(s_view->List())->m_searchText; }

    static std::unique_ptr<CTestListView> s_view;
    CSettingsGuard m_guard;
};

std::unique_ptr<CTestListView> KeystrokeRomaji::s_view;

TEST_F(KeystrokeRomaji, RomajiSelectsKanjiAndKana) {
    ASSERT_TRUE(Xdotool(L"type --delay 40 kensaku"));
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    ASSERT_TRUE(Xdotool(L"key alt+n"));
    EXPECT_EQ(Selected(), (std::vector<int>{2}));
    ASSERT_TRUE(Xdotool(L"key Escape"));
    ASSERT_TRUE(Xdotool(L"type --delay 40 nihon"));
    EXPECT_EQ(Selected(), (std::vector<int>{3}));
}
TEST_F(KeystrokeRomaji, InputDialogNeverUsesMigemo) {
    ASSERT_TRUE(
        Xdotool(L"key alt+i sleep 1 type --delay 40 --args 1 kensaku sleep 0.3 key Return"));
    PumpMessagesFor(300);
    EXPECT_EQ(Text(), L"kensaku");
    EXPECT_TRUE(Selected().empty());
}

} // namespace
