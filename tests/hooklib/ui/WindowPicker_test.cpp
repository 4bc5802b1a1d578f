#include "ui/WindowPicker.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "SettingDlgDriver.h"
#include "harness/SettingsGuard.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "support/WindowIdentity.h"
#include "ui/SettingDlgResource.h"

namespace {

constexpr wchar_t kTestExe[] = L"skimvue_settingdlg_tests.exe";
constexpr wchar_t kTargetExe[] = L"skimvue_picker_target.exe";

// A white window of its own class on this thread.
class CTestWindow {
  public:
    CTestWindow(const wchar_t* className, DWORD style, RECT rc, HWND hWndParent = nullptr) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = className;
        RegisterClassW(&windowClass);
        m_hWnd.reset(CreateWindowExW(0, className, L"", style, rc.left, rc.top, rc.right - rc.left,
                                     rc.bottom - rc.top, hWndParent, nullptr, windowClass.hInstance,
                                     nullptr));
        PumpMessagesFor(50);
    }
    HWND Get() const { return m_hWnd.get(); }

  private:
    unique_hwnd m_hWnd;
};

// A window of class className in a process of its own; locked: nobody may open that process.
class CTargetProcess {
  public:
    CTargetProcess(const std::wstring& className, RECT rc, bool locked) {
        SECURITY_DESCRIPTOR descriptor{};
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        ACL emptyAcl{};
        InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyAcl, FALSE);
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
        std::wstring commandLine = L"\"" + BinDir() + L"\\" + kTargetExe + L"\" " + className;
        for (const LONG value : {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top}) {
            commandLine += L" " + std::to_wstring(value);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, commandLine.data(), locked ? &attributes : nullptr, nullptr,
                           FALSE, 0, nullptr, nullptr, &startup, &info)) {
            m_hProcess.reset(info.hProcess);
            const unique_handle thread(info.hThread);
        }
        PumpUntil([&] {
            m_hWnd = FindWindowW(className.c_str(), nullptr);
            return m_hWnd != nullptr && IsWindowVisible(m_hWnd);
        });
    }
    ~CTargetProcess() {
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        if (m_hProcess && WaitForSingleObject(m_hProcess.get(), 5000) != WAIT_OBJECT_0) {
            TerminateProcess(m_hProcess.get(), 1);
        }
    }
    CTargetProcess(const CTargetProcess&) = delete;
    CTargetProcess& operator=(const CTargetProcess&) = delete;
    HWND Get() const { return m_hWnd; }

  private:
    unique_handle m_hProcess;
    HWND m_hWnd = nullptr;
};

COLORREF PixelOf(HWND hWnd, int x, int y) {
    const unique_hdc_window dc(hWnd, GetWindowDC(hWnd));
    return GetPixel(dc.get(), x, y);
}

TEST(WindowIdentity, ReadsClassExecutableRootAndRootOwner) {
    CTestWindow owner(L"SkimvueIdOwner", WS_POPUP, RECT{0, 0, 50, 50});
    CTestWindow root(L"SkimvueIdRoot", WS_POPUP, RECT{0, 0, 50, 50}, owner.Get());
    CTestWindow child(L"SkimvueIdChild", WS_CHILD, RECT{0, 0, 10, 10}, root.Get());
    const WindowIdentity identity = ReadWindowIdentity(child.Get());
    EXPECT_EQ(identity.m_clsName, L"SkimvueIdChild");
    EXPECT_EQ(identity.m_exeName, kTestExe);
    EXPECT_EQ(identity.m_rootClsName, L"SkimvueIdRoot");
    EXPECT_EQ(identity.m_rootOwnerClsName, L"SkimvueIdOwner");
}

TEST(WindowIdentity, ProcessThatCannotBeOpenedGivesAStar) {
    CTargetProcess target(L"SkimvueLockedId", RECT{0, 0, 40, 40}, true);
    ASSERT_NE(target.Get(), nullptr);
    EXPECT_EQ(ReadExeName(target.Get()), L"");
    const TargetListView rule = GetWindowIdentity(target.Get());
    EXPECT_STREQ(rule.ExeName, L"*");
    EXPECT_STREQ(rule.ClsName, L"SkimvueLockedId");
    EXPECT_STREQ(rule.RootOwnerClsName, L"SkimvueLockedId");
}

TEST(WindowIdentity, RuleFieldsAreCutAt259Characters) {
    TargetListView rule{};
    CopyRuleField(rule.ExeName, std::wstring(300, L'x') + L".exe");
    EXPECT_EQ(std::wstring(rule.ExeName), std::wstring(259, L'x'));
    CopyRuleField(rule.ExeName, L"short.exe");
    EXPECT_STREQ(rule.ExeName, L"short.exe");
    EXPECT_EQ(rule.ExeName[kRuleFieldLength - 1], L'\0');
}

TEST(InvertWindowFrame, InvertsAThreePixelBandAndASecondCallRestoresIt) {
    CTestWindow window(L"SkimvueFrame", WS_POPUP | WS_VISIBLE, RECT{20, 20, 120, 100});
    const COLORREF white = RGB(255, 255, 255);
    ASSERT_EQ(PixelOf(window.Get(), 50, 1), white);
    InvertWindowFrame(window.Get());
    EXPECT_EQ(PixelOf(window.Get(), 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(window.Get(), 2, 40), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(window.Get(), 99, 79), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(window.Get(), 3, 40), white);
    EXPECT_EQ(PixelOf(window.Get(), 50, 3), white);
    InvertWindowFrame(window.Get());
    for (const POINT pt : {POINT{0, 0}, POINT{2, 40}, POINT{99, 79}, POINT{50, 1}}) {
        EXPECT_EQ(PixelOf(window.Get(), pt.x, pt.y), white) << pt.x << "," << pt.y;
    }
    InvertWindowFrame(nullptr);
}

std::wstring Question(const std::wstring& cls, const std::wstring& exe) {
    return L"以下のウィンドウ情報を対象リストビューへ追加します。\r\n\r\nクラス名\t\t: " + cls +
           L"\r\n実行ファイル名\t: " + exe + L"\r\nルートクラス名\t: " + cls +
           L"\r\nルートオーナークラス名: " + cls;
}

std::wstring Point(POINT pt) {
    return std::to_wstring(pt.x) + L" " + std::to_wstring(pt.y);
}

// Two rules, both rows selected; the drag starts on the aim icon.
class WindowPicker : public ::testing::Test {
  protected:
    void SetUp() override {
        TargetListView rule{};
        CopyRuleField(rule.ClsName, L"SysListView32");
        CopyRuleField(rule.ExeName, L"*");
        CopyRuleField(rule.RootClsName, L"*");
        CopyRuleField(rule.RootOwnerClsName, L"*");
        TargetListViews = {rule, rule};
        NumberOfTargetListView = 2;
    }
    static void SelectAllRows(const CDialogThread& dialog) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(dialog.Item(IDC_SETTING_RULES), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
    }
    // The aim's hint pops up first; the dialog must hold the X focus before the press, since a
    // focus change arriving during the drag ends the capture.
    static void PressOnAim(const CDialogThread& dialog) {
        Xdotool(L"mousemove " + Point(CentreOf(dialog.Item(IDC_SETTING_AIM))) + L" sleep 0.2");
        ASSERT_TRUE(FocusWindow(dialog.Dialog()));
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog.Dialog(); }));
        Xdotool(L"mousedown 1 sleep 0.2");
    }
    // Releases the button and waits for the confirmation.
    static HWND Release(const CDialogThread& dialog) {
        Xdotool(L"mouseup 1");
        HWND box = nullptr;
        PumpUntil([&] { return (box = dialog.MessageBox()) != nullptr; });
        return box;
    }
    static std::wstring QuestionOf(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

    CSettingsGuard m_guard;
};

TEST_F(WindowPicker, DragAcrossTwoWindowsOffersTheLastAndOkAppendsItLast) {
    CTestWindow first(L"SkimvuePickA", WS_POPUP | WS_VISIBLE, RECT{40, 100, 280, 260});
    CTargetProcess second(L"SkimvuePickB", RECT{40, 400, 280, 560}, false);
    ASSERT_NE(second.Get(), nullptr);
    CDialogThread dialog;
    SelectAllRows(dialog);

    PressOnAim(dialog);
    Xdotool(L"mousemove " + Point(CentreOf(first.Get())) + L" sleep 0.3");
    EXPECT_EQ(PixelOf(first.Get(), 1, 1), RGB(0, 0, 0)) << "the window under the aim is framed";
    Xdotool(L"mousemove " + Point(CentreOf(second.Get())) + L" sleep 0.3");
    EXPECT_EQ(PixelOf(first.Get(), 1, 1), RGB(255, 255, 255)) << "the frame left it";

    HWND box = Release(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QuestionOf(box), Question(L"SkimvuePickB", kTargetExe));
    Screenshot(L"picker.png");
    ClickAt(CentreOf(GetDlgItem(box, IDOK)));

    HWND hWndList = dialog.Item(IDC_SETTING_RULES);
    ASSERT_TRUE(PumpUntil([&] { return RowCount(hWndList) == 3; }));
    EXPECT_EQ(CellText(hWndList, 2, 0), L"SkimvuePickB");
    EXPECT_EQ(CellText(hWndList, 2, 1), kTargetExe);
    EXPECT_EQ(CellText(hWndList, 2, 2), L"SkimvuePickB");
    EXPECT_EQ(CellText(hWndList, 2, 3), L"SkimvuePickB");
    EXPECT_EQ(CellText(hWndList, 0, 0), L"SysListView32");
    EXPECT_EQ(TargetListViews.size(), 2u) << "the rules change only on the dialog's OK";
}

TEST_F(WindowPicker, EscapeDuringADragErasesTheFrameAndEndsOnlyTheDrag) {
    // A white backdrop around the target, so that the black frame shows in the screenshot.
    CTestWindow backdrop(L"SkimvuePickBackdrop", WS_POPUP | WS_VISIBLE, RECT{20, 80, 300, 280});
    CTestWindow target(L"SkimvuePickEscape", WS_POPUP | WS_VISIBLE, RECT{40, 100, 280, 260});
    CDialogThread dialog;
    PressOnAim(dialog);
    Xdotool(L"mousemove " + Point(CentreOf(target.Get())) + L" sleep 0.3");
    ASSERT_EQ(PixelOf(target.Get(), 1, 1), RGB(0, 0, 0));
    Screenshot(L"picker-frame.png", false);

    Xdotool(L"key Escape sleep 0.3");
    EXPECT_TRUE(PumpUntil([&] { return PixelOf(target.Get(), 1, 1) == RGB(255, 255, 255); }))
        << "the frame is gone";
    EXPECT_EQ(PixelOf(target.Get(), 239, 159), RGB(255, 255, 255));
    EXPECT_FALSE(dialog.Closed()) << "Escape ends the drag, not the dialog";
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Dialog(), nullptr), &thread);
    EXPECT_EQ(thread.hwndCapture, nullptr) << "the mouse is free again";

    Xdotool(L"mouseup 1 sleep 0.3");
    PumpMessagesFor(300);
    EXPECT_EQ(dialog.MessageBox(), nullptr) << "nothing is offered";
    EXPECT_EQ(RowCount(dialog.Item(IDC_SETTING_RULES)), 2);
    EXPECT_EQ(PixelOf(target.Get(), 1, 1), RGB(255, 255, 255));
}

// The aim's hint pops up where the drag starts: it goes away during the drag and is never the
// window offered.
TEST_F(WindowPicker, TheAimsHintHidesDuringTheDragAndIsNeverPicked) {
    CDialogThread dialog;
    Xdotool(L"mousemove " + Point(CentreOf(dialog.Item(IDC_SETTING_AIM))) + L" sleep 0.2");
    HWND tip = FindWindowExW(nullptr, nullptr, L"InfoTipWindowClass", nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }));
    const POINT onTip = CentreOf(tip);
    ASSERT_TRUE(FocusWindow(dialog.Dialog()));
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog.Dialog(); }));
    Xdotool(L"mousedown 1 sleep 0.2");
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) == FALSE; }));

    Xdotool(L"mousemove " + Point(onTip) + L" sleep 0.3");
    EXPECT_FALSE(IsWindowVisible(tip));
    HWND box = Release(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QuestionOf(box).find(L"InfoTipWindowClass"), std::wstring::npos)
        << ToUtf8(QuestionOf(box));
    ClickAt(CentreOf(GetDlgItem(box, IDCANCEL)));
    EXPECT_TRUE(PumpUntil([&] { return dialog.MessageBox() == nullptr; }));
}

// ChildWindowFromPoint also returns hidden children; a hidden child is no window to offer.
TEST_F(WindowPicker, HiddenChildrenAreNeverPicked) {
    CTestWindow parent(L"SkimvuePickParent", WS_POPUP | WS_VISIBLE, RECT{40, 100, 280, 260});
    CTestWindow hidden(L"SkimvuePickHidden", WS_CHILD, RECT{0, 0, 240, 160}, parent.Get());
    CDialogThread dialog;
    PressOnAim(dialog);
    Xdotool(L"mousemove " + Point(CentreOf(parent.Get())) + L" sleep 0.3");
    HWND box = Release(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QuestionOf(box), Question(L"SkimvuePickParent", kTestExe));
    ClickAt(CentreOf(GetDlgItem(box, IDCANCEL)));
    EXPECT_TRUE(PumpUntil([&] { return dialog.MessageBox() == nullptr; }));
}

TEST_F(WindowPicker, LockedProcessOffersAStarAndCancelAddsNothing) {
    CTargetProcess locked(L"SkimvuePickLocked", RECT{40, 100, 280, 260}, true);
    ASSERT_NE(locked.Get(), nullptr);
    CDialogThread dialog;

    PressOnAim(dialog);
    Xdotool(L"mousemove " + Point(CentreOf(locked.Get())) + L" sleep 0.3");
    HWND box = Release(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QuestionOf(box),
              L"以下のウィンドウ情報を対象リストビューへ追加します。\r\n\r\nクラス名\t\t: "
              L"SkimvuePickLocked\r\n実行ファイル名\t: *\r\nルートクラス名\t: SkimvuePickLocked\r\n"
              L"ルートオーナークラス名: SkimvuePickLocked");
    ClickAt(CentreOf(GetDlgItem(box, IDCANCEL)));
    ASSERT_TRUE(PumpUntil([&] { return dialog.MessageBox() == nullptr; }));
    EXPECT_EQ(RowCount(dialog.Item(IDC_SETTING_RULES)), 2);
}

} // namespace
