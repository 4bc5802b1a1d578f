#include "ui/InputDlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "UiTestWindows.h"

namespace {

constexpr int kEditId = 1001;
const std::wstring kUntouched = L"untouched";

// A view thread: its own window, and the input dialog opened over it as the keystroke handler
// opens it, while the test thread drives the dialog with real keys and clicks.
class CViewThread {
  public:
    CViewThread(HMODULE module, const std::wstring& title) : m_hModule(module), m_title(title) {
        m_thread = std::thread([this] { Run(); });
    }
    ~CViewThread() {
        if (HWND dialog = FindDialog()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        m_thread.join();
    }
    CViewThread(const CViewThread&) = delete;
    CViewThread& operator=(const CViewThread&) = delete;

    // The dialog once it is shown with the focus in its edit box, or null.
    HWND WaitForDialog() const {
        HWND dialog = nullptr;
        PumpUntil([&] {
            dialog = FindDialog();
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            return dialog && IsWindowVisible(dialog) && GetGUIThreadInfo(m_nThreadId, &info) &&
                   info.hwndFocus == GetDlgItem(dialog, kEditId);
        });
        return dialog;
    }
    // Waits for the dialog to close; false when it stays open.
    bool WaitForEnd() const {
        return PumpUntil([&] { return m_bDone.load(); }, 20000);
    }
    HWND Owner() const { return m_hOwner; }
    INT_PTR Result() const { return m_nResult; }
    const std::wstring& Text() const { return m_text; }

  private:
    void Run() {
        unique_hwnd owner = CreateTopWindow(m_title, RECT{200, 150, 700, 550});
        m_hOwner = owner.get();
        m_nThreadId = GetCurrentThreadId();
        m_nResult = RunInputDialog(m_hModule, owner.get(), m_text);
        m_bDone = true;
    }
    // Until the thread has started its id is 0, which Wine's EnumThreadWindows and
    // GetGUIThreadInfo take as any thread: another view's dialog would be found.
    HWND FindDialog() const {
        HWND found = nullptr;
        if (m_nThreadId == 0) {
            return nullptr;
        }
        EnumThreadWindows(m_nThreadId, FindDialogWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    static BOOL CALLBACK FindDialogWindow(HWND window, LPARAM found) {
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (std::wstring(className) != L"#32770") {
            return TRUE;
        }
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }

    HMODULE m_hModule;
    std::wstring m_title;
    std::atomic<DWORD> m_nThreadId{0};
    std::atomic<HWND> m_hOwner{nullptr};
    std::atomic<bool> m_bDone{false};
    INT_PTR m_nResult = 0;
    std::wstring m_text = kUntouched;
    std::thread m_thread;
};

std::wstring DialogItemText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

POINT CenterOf(HWND window) {
    const RECT rect = WindowRect(window);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The dialog needs the library's own resources: the built library is loaded as any host loads it.
class InputDlgTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { s_module.reset(LoadLibraryW(LibraryPath().c_str())); }
    static void TearDownTestSuite() { s_module.reset(); }
    void SetUp() override { ASSERT_TRUE(s_module); }

    // Opens the dialog on a view thread and gives it the keyboard focus.
    HWND Open(CViewThread& view) {
        HWND dialog = view.WaitForDialog();
        return dialog && FocusWindow(dialog) ? dialog : nullptr;
    }

    static unique_hmodule s_module;
};
unique_hmodule InputDlgTest::s_module;

TEST_F(InputDlgTest, OpensEmptyOverItsOwnerWithTheFocusInTheEditBox) {
    CViewThread view(s_module.get(), L"SkimvueView");
    HWND dialog = Open(view);
    ASSERT_NE(dialog, nullptr);
    wchar_t title[64] = {};
    GetWindowTextW(dialog, title, 64);
    EXPECT_STREQ(title, L"Skimvue");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), view.Owner());
    EXPECT_EQ(DialogItemText(dialog, kEditId), L"");
    EXPECT_EQ(DialogItemText(dialog, IDOK), L"OK");
    EXPECT_EQ(DialogItemText(dialog, IDCANCEL), L"Cancel");
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDOK), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON,
              DLGC_DEFPUSHBUTTON);
    EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);

    ASSERT_TRUE(Xdotool(L"key Escape"));
    ASSERT_TRUE(view.WaitForEnd());
}

TEST_F(InputDlgTest, EnterAcceptsTheTypedText) {
    CViewThread view(s_module.get(), L"SkimvueView");
    ASSERT_NE(Open(view), nullptr);
    ASSERT_TRUE(Xdotool(L"type --delay 20 'report 2024'"));
    ASSERT_TRUE(Xdotool(L"key Return"));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDOK);
    EXPECT_EQ(view.Text(), L"report 2024");
}

TEST_F(InputDlgTest, OkButtonAcceptsTheTypedText) {
    CViewThread view(s_module.get(), L"SkimvueView");
    HWND dialog = Open(view);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Xdotool(L"type --delay 20 'a.b*c'"));
    ASSERT_TRUE(ClickAt(CenterOf(GetDlgItem(dialog, IDOK))));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDOK);
    EXPECT_EQ(view.Text(), L"a.b*c");
}

TEST_F(InputDlgTest, EnterOnTheEmptyBoxAcceptsAnEmptyText) {
    CViewThread view(s_module.get(), L"SkimvueView");
    ASSERT_NE(Open(view), nullptr);
    ASSERT_TRUE(Xdotool(L"key Return"));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDOK);
    EXPECT_EQ(view.Text(), L"");
}

TEST_F(InputDlgTest, TextBeyond259CharactersIsCut) {
    std::string typed;
    for (int i = 0; i < 30; ++i) {
        typed += "0123456789";
    }
    CViewThread view(s_module.get(), L"SkimvueView");
    ASSERT_NE(Open(view), nullptr);
    ASSERT_TRUE(Xdotool(L"type --delay 5 '" + std::wstring(typed.begin(), typed.end()) + L"'"));
    ASSERT_TRUE(Xdotool(L"key Return"));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDOK);
    EXPECT_EQ(view.Text(), std::wstring(typed.begin(), typed.begin() + 259));
}

TEST_F(InputDlgTest, EscapeCancels) {
    CViewThread view(s_module.get(), L"SkimvueView");
    ASSERT_NE(Open(view), nullptr);
    ASSERT_TRUE(Xdotool(L"type --delay 20 'abc'"));
    ASSERT_TRUE(Xdotool(L"key Escape"));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDCANCEL);
    EXPECT_EQ(view.Text(), kUntouched);
}

TEST_F(InputDlgTest, CancelButtonCancels) {
    CViewThread view(s_module.get(), L"SkimvueView");
    HWND dialog = Open(view);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Xdotool(L"type --delay 20 'abc'"));
    ASSERT_TRUE(ClickAt(CenterOf(GetDlgItem(dialog, IDCANCEL))));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDCANCEL);
    EXPECT_EQ(view.Text(), kUntouched);
}

// Without a window manager Wine leaves the caption undrawn and outside the dialog's X window, so
// the close box cannot be clicked; Alt+F4 sends the same close command.
TEST_F(InputDlgTest, CloseCommandCancels) {
    CViewThread view(s_module.get(), L"SkimvueView");
    ASSERT_NE(Open(view), nullptr);
    ASSERT_TRUE(Xdotool(L"type --delay 20 'abc'"));
    ASSERT_TRUE(Xdotool(L"key alt+F4"));
    ASSERT_TRUE(view.WaitForEnd());
    EXPECT_EQ(view.Result(), IDCANCEL);
    EXPECT_EQ(view.Text(), kUntouched);
}

// Each dialog reaches its own object: text typed into one never lands in the other.
TEST_F(InputDlgTest, TwoViewThreadsEachHaveTheirOwnDialog) {
    CViewThread first(s_module.get(), L"SkimvueFirstView");
    CViewThread second(s_module.get(), L"SkimvueSecondView");
    HWND firstDialog = Open(first);
    HWND secondDialog = Open(second);
    ASSERT_NE(firstDialog, nullptr);
    ASSERT_NE(secondDialog, nullptr);
    ASSERT_NE(firstDialog, secondDialog);

    ASSERT_TRUE(FocusWindow(firstDialog));
    ASSERT_TRUE(Xdotool(L"type --delay 20 'first'"));
    ASSERT_TRUE(FocusWindow(secondDialog));
    ASSERT_TRUE(Xdotool(L"type --delay 20 'second'"));
    ASSERT_TRUE(Xdotool(L"key Return"));
    ASSERT_TRUE(second.WaitForEnd());
    ASSERT_TRUE(FocusWindow(firstDialog));
    ASSERT_TRUE(Xdotool(L"key Return"));
    ASSERT_TRUE(first.WaitForEnd());

    EXPECT_EQ(first.Result(), IDOK);
    EXPECT_EQ(first.Text(), L"first");
    EXPECT_EQ(second.Result(), IDOK);
    EXPECT_EQ(second.Text(), L"second");
}

TEST_F(InputDlgTest, ModuleWithoutTheDialogGivesNeitherOkNorCancel) {
    std::wstring text = kUntouched;
    const INT_PTR result = RunInputDialog(GetModuleHandleW(nullptr), nullptr, text);
    EXPECT_NE(result, IDOK);
    EXPECT_NE(result, IDCANCEL);
    EXPECT_EQ(text, kUntouched);
}

TEST_F(InputDlgTest, LibraryHoldsJapaneseDialogAndIconInBothSizes) {
    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
    EXPECT_NE(FindResourceExW(s_module.get(), RT_DIALOG, MAKEINTRESOURCEW(101), japanese), nullptr);
    EXPECT_NE(FindResourceExW(s_module.get(), RT_GROUP_ICON, MAKEINTRESOURCEW(103), japanese),
              nullptr);
    for (int size : {16, 32}) {
        unique_hicon icon(static_cast<HICON>(
            LoadImageW(s_module.get(), MAKEINTRESOURCEW(103), IMAGE_ICON, size, size, 0)));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &info));
        const unique_hbitmap color(info.hbmColor);
        const unique_hbitmap mask(info.hbmMask);
        BITMAP bitmap{};
        GetObjectW(color.get(), sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmBitsPixel, 32);
    }
}

} // namespace
