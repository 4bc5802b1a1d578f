#include "ui/SettingDlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SettingDlgDriver.h"
#include "harness/SettingsGuard.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "hook/Exports.h"
#include "settings/KeyBinding.h"
#include "settings/ParamFile.h"
#include "support/UniqueHandle.h"
#include "ui/SettingDlgResource.h"

namespace {

TargetListView Rule(const wchar_t* cls, const wchar_t* exe, const wchar_t* root,
                    const wchar_t* owner) {
    TargetListView rule{};
    wcscpy(rule.ClsName, cls);
    wcscpy(rule.ExeName, exe);
    wcscpy(rule.RootClsName, root);
    wcscpy(rule.RootOwnerClsName, owner);
    return rule;
}

bool SameRule(const TargetListView& a, const TargetListView& b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

// Every setting away from its default, a flag stored as 2, four rules; the settings file of
// this test program removed before and after.
class SettingDlg : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = GetParamFilePath();
        RemoveFile();
        Shared.EnableLength = 5;
        Shared.InputInterval = 1500;
        Shared.DisableIme = 2;
        Shared.ShowToolTip = 0;
        Shared.ToolTipAutoPopDelay = 0;
        Shared.PriorForwardMatch = 1;
        Shared.SwitchMigemoByShift = 0;
        Shared.KeyBind_Next = KEYBIND_CTRL | L';';
        Shared.KeyBind_Back = KEYBIND_ALT | L'B';
        Shared.KeyBind_SelAll = KEYBIND_ALT | L'7';
        Shared.KeyBind_Input = KEYBIND_CTRL | L'/';
        EnableOnExplorer = 0;
        EnableOnListView = 1;
        Shared.EnableOnFileDialog = 1;
        StoreFileDialogExcludeExeNames(L"a.exe;日本.exe");
        TargetListViews = {Rule(L"SysListView32", L"a.exe", L"RootA", L"*"),
                           Rule(L"SysListView32", L"b.exe", L"RootB", L"OwnerB"),
                           Rule(L"DirectUIHWND", L"*", L"*", L"*"),
                           Rule(L"リスト", L"日本語.exe", L"ルート", L"オーナー")};
        NumberOfTargetListView = 4;
        m_before = Shared;
        m_rulesBefore = TargetListViews;
    }
    void TearDown() override { RemoveFile(); }
    void RemoveFile() const {
        DeleteFileW(m_path.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_path.c_str());
    }
    bool FileExists() const {
        return GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void ExpectNothingChanged() const {
        EXPECT_EQ(std::memcmp(&Shared, &m_before, sizeof(Shared)), 0);
        EXPECT_EQ(EnableOnExplorer, 0);
        EXPECT_EQ(EnableOnListView, 1);
        EXPECT_EQ(NumberOfTargetListView, 4);
        ASSERT_EQ(TargetListViews.size(), m_rulesBefore.size());
        for (size_t i = 0; i < m_rulesBefore.size(); ++i) {
            EXPECT_TRUE(SameRule(TargetListViews[i], m_rulesBefore[i])) << i;
        }
        EXPECT_FALSE(FileExists());
    }
    static std::wstring Selected(HWND hWndCombo) {
        const auto index = SendMessageW(hWndCombo, CB_GETCURSEL, 0, 0);
        wchar_t text[16] = {};
        SendMessageW(hWndCombo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return index == CB_ERR ? L"(none)" : text;
    }
    // Screen point of a cell of the rule list.
    static POINT CellPoint(HWND hWndList, int item, int subItem) {
        RECT cell{};
        cell.top = subItem;
        cell.left = LVIR_LABEL;
        SendMessageW(hWndList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&cell));
        POINT pt{cell.left + 6, (cell.top + cell.bottom) / 2};
        ClientToScreen(hWndList, &pt);
        return pt;
    }
    static void DoubleClickAt(POINT pt) {
        Xdotool(L"mousemove " + std::to_wstring(pt.x) + L" " + std::to_wstring(pt.y) +
                L" sleep 0.1 click --repeat 2 --delay 60 1 sleep 0.3");
    }
    static void FocusDialog(const CDialogThread& dialog) {
        ASSERT_TRUE(FocusWindow(dialog.Dialog()));
    }

    CSettingsGuard m_guard;
    std::wstring m_path;
    SharedBlock m_before{};
    std::vector<TargetListView> m_rulesBefore;
};

TEST_F(SettingDlg, ShowsEveryVariableWithTheVersionInTheTitle) {
    CDialogThread dialog;
    ASSERT_NE(dialog.Dialog(), nullptr);
    EXPECT_EQ(TextOf(dialog.Dialog()), L"Skimvue - Version1,0,0,0015");
    EXPECT_EQ(TextOf(dialog.Item(IDC_SETTING_ENABLE_LENGTH)), L"5");
    EXPECT_EQ(TextOf(dialog.Item(IDC_SETTING_INPUT_INTERVAL)), L"1500");
    EXPECT_EQ(TextOf(dialog.Item(IDC_SETTING_AUTOPOP_DELAY)), L"0");
    const auto checked = [&](int id) {
        return SendMessageW(dialog.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    EXPECT_TRUE(checked(IDC_SETTING_DISABLE_IME)) << "a flag stored as 2 shows checked";
    EXPECT_FALSE(checked(IDC_SETTING_SHOW_TOOLTIP));
    EXPECT_TRUE(checked(IDC_SETTING_PRIOR_FORWARD));
    EXPECT_FALSE(checked(IDC_SETTING_MIGEMO_SHIFT));
    EXPECT_FALSE(checked(IDC_SETTING_ON_EXPLORER));
    EXPECT_TRUE(checked(IDC_SETTING_ON_LISTVIEW));
    EXPECT_TRUE(checked(IDC_SETTING_ON_FILEDIALOG));
    EXPECT_EQ(TextOf(dialog.Item(IDC_SETTING_EXCLUDE_EXES)), L"a.exe;日本.exe");
    EXPECT_EQ(Selected(dialog.Item(IDC_SETTING_NEXT_MOD)), L"Ctrl");
    EXPECT_EQ(Selected(dialog.Item(IDC_SETTING_NEXT_KEY)), L";");
    EXPECT_EQ(Selected(dialog.Item(IDC_SETTING_SELALL_MOD)), L"Alt");
    EXPECT_EQ(Selected(dialog.Item(IDC_SETTING_SELALL_KEY)), L"7");
    EXPECT_EQ(Selected(dialog.Item(IDC_SETTING_INPUT_KEY)), L"/");

    HWND hWndList = dialog.Item(IDC_SETTING_RULES);
    ASSERT_EQ(RowCount(hWndList), 4);
    EXPECT_EQ(CellText(hWndList, 1, 0), L"SysListView32");
    EXPECT_EQ(CellText(hWndList, 1, 1), L"b.exe");
    EXPECT_EQ(CellText(hWndList, 1, 2), L"RootB");
    EXPECT_EQ(CellText(hWndList, 1, 3), L"OwnerB");
    EXPECT_EQ(CellText(hWndList, 3, 1), L"日本語.exe");
    wchar_t title[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = 64;
    SendMessageW(hWndList, LVM_GETCOLUMNW, 3, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(title, L"ルートオーナークラス");
    Screenshot(L"settings.png");
}

// The template asks for Meiryo UI, which Wine lacks: whatever face the dialog got must have
// real glyphs for its Japanese texts.
TEST_F(SettingDlg, JapaneseTextHasGlyphsInTheDialogFont) {
    CDialogThread dialog;
    auto font = reinterpret_cast<HFONT>(SendMessageW(dialog.Dialog(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    const unique_hdc_window screen(nullptr, GetDC(nullptr));
    const HDC hDC = screen.get();
    const unique_select_object selected = SelectObjectFor(hDC, font);
    const std::wstring text = L"一般設定キャンセルエクスプローラー上で有効";
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(hDC, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(hDC, LF_FACESIZE, face);
    for (size_t i = 0; i < text.size(); ++i) {
        EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for character " << i << " in the dialog's face";
    }
    RecordProperty("DialogFace", ToUtf8(face));
}

TEST_F(SettingDlg, OkStoresEveryControlAndWritesTheExactFile) {
    {
        CDialogThread dialog;
        SetWindowTextW(dialog.Item(IDC_SETTING_ENABLE_LENGTH), L"4x");
        SetWindowTextW(dialog.Item(IDC_SETTING_INPUT_INTERVAL), L"");
        SetWindowTextW(dialog.Item(IDC_SETTING_AUTOPOP_DELAY), L"3000");
        SendMessageW(dialog.Item(IDC_SETTING_SHOW_TOOLTIP), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(dialog.Item(IDC_SETTING_PRIOR_FORWARD), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageW(dialog.Item(IDC_SETTING_ON_EXPLORER), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(dialog.Item(IDC_SETTING_ON_FILEDIALOG), BM_SETCHECK, BST_UNCHECKED, 0);
        SetWindowTextW(dialog.Item(IDC_SETTING_EXCLUDE_EXES), L"b.exe; C.EXE");
        SendMessageW(dialog.Item(IDC_SETTING_BACK_MOD), CB_SETCURSEL, 1, 0);
        ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
        ASSERT_TRUE(dialog.WaitClosed());
    }
    EXPECT_EQ(Shared.EnableLength, 4);
    EXPECT_EQ(Shared.InputInterval, 0u) << "a blank number field stores 0";
    EXPECT_EQ(Shared.DisableIme, 1) << "a flag shown checked is stored as 1";
    EXPECT_EQ(Shared.ShowToolTip, 1);
    EXPECT_EQ(Shared.ToolTipAutoPopDelay, 3000);
    EXPECT_EQ(Shared.PriorForwardMatch, 0);
    EXPECT_EQ(Shared.KeyBind_Back, KEYBIND_CTRL | L'B');
    EXPECT_EQ(EnableOnExplorer, 1);
    EXPECT_EQ(Shared.EnableOnFileDialog, 0);
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), L"b.exe; C.EXE");
    EXPECT_EQ(NumberOfTargetListView, 4);
    EXPECT_EQ(ReadUtf16File(m_path), L"[General]\r\n"
                                     L"EnableLength=4\r\n"
                                     L"InputInterval=0\r\n"
                                     L"DisableIme=1\r\n"
                                     L"KeyBind_Next=Ctrl+;\r\n"
                                     L"KeyBind_Back=Ctrl+B\r\n"
                                     L"KeyBind_SelAll=Alt+7\r\n"
                                     L"KeyBind_Input=Ctrl+/\r\n"
                                     L"ShowToolTip=1\r\n"
                                     L"ToolTipAutoPopDelay=3000\r\n"
                                     L"PriorForwardMatch=0\r\n"
                                     L"SwitchMigemoByShift=0\r\n"
                                     L"EnableOnExplorer=1\r\n"
                                     L"EnableOnListView=1\r\n"
                                     L"EnableOnFileDialog=0\r\n"
                                     L"FileDialogExcludeExeNames=b.exe; C.EXE\r\n"
                                     L"NumberOfTargetListView=4\r\n"
                                     L"TargetListView[0].ClsName=SysListView32\r\n"
                                     L"TargetListView[0].ExeName=a.exe\r\n"
                                     L"TargetListView[0].RootClsName=RootA\r\n"
                                     L"TargetListView[0].RootOwnerClsName=*\r\n"
                                     L"TargetListView[1].ClsName=SysListView32\r\n"
                                     L"TargetListView[1].ExeName=b.exe\r\n"
                                     L"TargetListView[1].RootClsName=RootB\r\n"
                                     L"TargetListView[1].RootOwnerClsName=OwnerB\r\n"
                                     L"TargetListView[2].ClsName=DirectUIHWND\r\n"
                                     L"TargetListView[2].ExeName=*\r\n"
                                     L"TargetListView[2].RootClsName=*\r\n"
                                     L"TargetListView[2].RootOwnerClsName=*\r\n"
                                     L"TargetListView[3].ClsName=\u30ea\u30b9\u30c8\r\n"
                                     L"TargetListView[3].ExeName=\u65e5\u672c\u8a9e.exe\r\n"
                                     L"TargetListView[3].RootClsName=\u30eb\u30fc\u30c8\r\n"
                                     L"TargetListView[3].RootOwnerClsName="
                                     L"\u30aa\u30fc\u30ca\u30fc\r\n");
}

// With the input method editor on, a Japanese user types full-width digits.
TEST_F(SettingDlg, FullWidthDigitsCountAndTextThatIsNoNumberKeepsTheValue) {
    Shared.ToolTipAutoPopDelay = 700;
    {
        CDialogThread dialog;
        SetWindowTextW(dialog.Item(IDC_SETTING_INPUT_INTERVAL), L"\uFF12\uFF10\uFF10\uFF10");
        SetWindowTextW(dialog.Item(IDC_SETTING_ENABLE_LENGTH), L"\u4e09");
        SetWindowTextW(dialog.Item(IDC_SETTING_AUTOPOP_DELAY), L"\u3000");
        ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
        ASSERT_TRUE(dialog.WaitClosed());
    }
    EXPECT_EQ(Shared.InputInterval, 2000u) << "２０００";
    EXPECT_EQ(Shared.EnableLength, 5) << "三 is not a number: the value stays";
    EXPECT_EQ(Shared.ToolTipAutoPopDelay, 0) << "a blank field stores 0";
    const std::wstring file = ReadUtf16File(m_path);
    EXPECT_NE(file.find(L"InputInterval=2000\r\n"), std::wstring::npos);
    EXPECT_NE(file.find(L"EnableLength=5\r\n"), std::wstring::npos);
}

// Controls that show text, in the dialog's client coordinates.
struct TextControl {
    HWND m_hWnd;
    RECT m_rc;
    bool m_checkMark;
};

std::vector<TextControl> TextControls(HWND hDlg) {
    std::vector<TextControl> controls;
    for (HWND hWnd = GetWindow(hDlg, GW_CHILD); hWnd; hWnd = GetWindow(hWnd, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(hWnd, className, 16);
        const LONG style = GetWindowLongW(hWnd, GWL_STYLE);
        const bool label = lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT;
        const bool check =
            lstrcmpiW(className, L"Button") == 0 && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        if ((label || check) && !TextOf(hWnd).empty()) {
            RECT rc{};
            GetWindowRect(hWnd, &rc);
            MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
            controls.push_back(TextControl{hWnd, rc, check});
        }
    }
    return controls;
}

// Width of the control's text in its font; with checkMark, plus where a check box starts its
// text: after the box and half the width of a digit (as the system's button draws it).
int TextWidth(HWND hWnd, bool checkMark) {
    const std::wstring text = TextOf(hWnd);
    const unique_hdc_window dc(hWnd, GetDC(hWnd));
    const HDC hDC = dc.get();
    const unique_select_object selected =
        SelectObjectFor(hDC, reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0)));
    RECT extent{};
    DrawTextW(hDC, text.c_str(), static_cast<int>(text.size()), &extent,
              DT_CALCRECT | DT_SINGLELINE);
    INT digit = 0;
    GetCharWidth32W(hDC, L'0', L'0', &digit);
    return extent.right + (checkMark ? GetSystemMetrics(SM_CXMENUCHECK) + digit / 2 : 0);
}

// "シフトキーによるMigemoの切り替え" lost its end in its 104-unit check box in the fallback
// face: every label and check box must hold its text (a check box its box as well), and still
// lie inside the dialog without covering another control.
TEST_F(SettingDlg, EveryLabelFitsItsTextInTheDialogsFont) {
    CDialogThread dialog;
    RECT client{};
    GetClientRect(dialog.Dialog(), &client);
    const std::vector<TextControl> controls = TextControls(dialog.Dialog());
    ASSERT_EQ(controls.size(), 18u) << "eleven labels, seven check boxes";
    for (const TextControl& control : controls) {
        EXPECT_GE(control.m_rc.right - control.m_rc.left,
                  TextWidth(control.m_hWnd, control.m_checkMark))
            << ToUtf8(TextOf(control.m_hWnd));
        EXPECT_LE(control.m_rc.right, client.right) << ToUtf8(TextOf(control.m_hWnd));
        for (const TextControl& other : controls) {
            RECT overlap{};
            EXPECT_TRUE(other.m_hWnd == control.m_hWnd ||
                        !IntersectRect(&overlap, &control.m_rc, &other.m_rc))
                << ToUtf8(TextOf(control.m_hWnd)) << " covers " << ToUtf8(TextOf(other.m_hWnd));
        }
    }
    RECT edit{};
    GetWindowRect(dialog.Item(IDC_SETTING_AUTOPOP_DELAY), &edit);
    MapWindowPoints(nullptr, dialog.Dialog(), reinterpret_cast<POINT*>(&edit), 2);
    for (const TextControl& control : controls) {
        if (control.m_hWnd == dialog.Item(IDC_SETTING_DELAY_LABEL)) {
            EXPECT_LE(control.m_rc.right, edit.left) << "the label ends before its field";
        }
    }
}

// A move to a monitor of another scale makes the system scale the dialog; the texts are fitted
// again after it.
TEST_F(SettingDlg, LabelsAreFittedAgainAfterADpiChange) {
    CDialogThread dialog;
    HWND hWndCheck = dialog.Item(IDC_SETTING_MIGEMO_SHIFT);
    RECT before{};
    GetWindowRect(hWndCheck, &before);
    SetWindowPos(hWndCheck, nullptr, 0, 0, 30, before.bottom - before.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT suggested{};
    GetWindowRect(dialog.Dialog(), &suggested);
    SendMessageW(dialog.Dialog(), WM_DPICHANGED, MAKEWPARAM(96, 96),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(PumpUntil([&] {
        RECT now{};
        GetWindowRect(hWndCheck, &now);
        return now.right - now.left == before.right - before.left;
    }));
}

// The tab order follows the screen from the first field down to the buttons, whatever the
// order the controls have in the template.
TEST_F(SettingDlg, TabOrderFollowsTheLayout) {
    CDialogThread dialog;
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Dialog(), nullptr), &thread));
    EXPECT_EQ(thread.hwndFocus, dialog.Item(IDC_SETTING_ENABLE_LENGTH)) << "the first field";
    const std::vector<int> expected{IDC_SETTING_ENABLE_LENGTH,
                                    IDC_SETTING_INPUT_INTERVAL,
                                    IDC_SETTING_DISABLE_IME,
                                    IDC_SETTING_SHOW_TOOLTIP,
                                    IDC_SETTING_AUTOPOP_DELAY,
                                    IDC_SETTING_PRIOR_FORWARD,
                                    IDC_SETTING_MIGEMO_SHIFT,
                                    IDC_SETTING_NEXT_MOD,
                                    IDC_SETTING_NEXT_KEY,
                                    IDC_SETTING_BACK_MOD,
                                    IDC_SETTING_BACK_KEY,
                                    IDC_SETTING_SELALL_MOD,
                                    IDC_SETTING_SELALL_KEY,
                                    IDC_SETTING_INPUT_MOD,
                                    IDC_SETTING_INPUT_KEY,
                                    IDC_SETTING_ON_EXPLORER,
                                    IDC_SETTING_ON_FILEDIALOG,
                                    IDC_SETTING_EXCLUDE_EXES,
                                    IDC_SETTING_ON_LISTVIEW,
                                    IDC_SETTING_DELETE,
                                    IDC_SETTING_RULES,
                                    IDC_SETTING_OK,
                                    IDCANCEL};
    std::vector<int> order;
    HWND hWnd = dialog.Item(IDC_SETTING_ENABLE_LENGTH);
    do {
        order.push_back(GetDlgCtrlID(hWnd));
        hWnd = GetNextDlgTabItem(dialog.Dialog(), hWnd, FALSE);
    } while (hWnd != dialog.Item(IDC_SETTING_ENABLE_LENGTH) && order.size() < 40);
    EXPECT_EQ(order, expected);
}

// Without a mouse: F2 or Enter edits the focused row, Tab and Shift+Tab move along its cells,
// Enter commits, Delete removes the selected rows.
TEST_F(SettingDlg, TheRuleListIsEditedWithTheKeyboard) {
    CDialogThread dialog;
    HWND hWndList = dialog.Item(IDC_SETTING_RULES);
    HWND hWndEdit = dialog.Item(IDC_SETTING_CELL_EDIT);
    const auto editing = [&] { return IsWindowVisible(hWndEdit) != FALSE; };
    FocusDialog(dialog);
    ClickAt(CellPoint(hWndList, 0, 0));
    Xdotool(L"key F2");
    ASSERT_TRUE(PumpUntil(editing));
    EXPECT_EQ(TextOf(hWndEdit), L"SysListView32");
    Xdotool(L"type --delay 40 Edited");
    Xdotool(L"key Tab sleep 0.2");
    EXPECT_EQ(CellText(hWndList, 0, 0), L"Edited") << "Tab commits the cell";
    ASSERT_TRUE(PumpUntil(editing));
    EXPECT_EQ(TextOf(hWndEdit), L"a.exe") << "and edits the next one";
    Xdotool(L"key shift+Tab sleep 0.2");
    EXPECT_EQ(TextOf(hWndEdit), L"Edited");
    Xdotool(L"key Return");
    ASSERT_TRUE(PumpUntil([&] { return !editing(); }));
    EXPECT_FALSE(dialog.Closed());

    Xdotool(L"key Return");
    EXPECT_TRUE(PumpUntil(editing)) << "Enter in the list edits the focused row";
    Xdotool(L"key Return");
    ASSERT_TRUE(PumpUntil([&] { return !editing(); }));

    Xdotool(L"key Down Delete sleep 0.2");
    ASSERT_TRUE(PumpUntil([&] { return RowCount(hWndList) == 3; }));
    EXPECT_EQ(CellText(hWndList, 1, 0), L"DirectUIHWND");
    ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
    ASSERT_TRUE(dialog.WaitClosed());
    ASSERT_EQ(TargetListViews.size(), 3u);
    EXPECT_STREQ(TargetListViews[0].ClsName, L"Edited");
    EXPECT_STREQ(TargetListViews[0].ExeName, L"a.exe");
    EXPECT_STREQ(TargetListViews[1].ExeName, L"*");
}

enum class CloseBy { CancelButton, EscapeKey, CloseCommand };

class SettingDlgClose : public SettingDlg, public ::testing::WithParamInterface<CloseBy> {};

TEST_P(SettingDlgClose, ChangesNothing) {
    CDialogThread dialog;
    SetWindowTextW(dialog.Item(IDC_SETTING_ENABLE_LENGTH), L"9");
    SendMessageW(dialog.Item(IDC_SETTING_DISABLE_IME), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(dialog.Item(IDC_SETTING_RULES), LVM_DELETEITEM, 0, 0);
    switch (GetParam()) {
    case CloseBy::CancelButton:
        ClickAt(CentreOf(dialog.Item(IDCANCEL)));
        break;
    case CloseBy::EscapeKey:
        FocusDialog(dialog);
        Xdotool(L"key Escape");
        break;
    case CloseBy::CloseCommand:
        // What the caption's close box sends; the test display has no window manager to
        // draw that box.
        PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    ASSERT_TRUE(dialog.WaitClosed());
    ExpectNothingChanged();
}

INSTANTIATE_TEST_SUITE_P(Ways, SettingDlgClose,
                         ::testing::Values(CloseBy::CancelButton, CloseBy::EscapeKey,
                                           CloseBy::CloseCommand));

TEST_F(SettingDlg, DoubleClickEditsACellAndEnterCommitsIt) {
    CDialogThread dialog;
    HWND hWndList = dialog.Item(IDC_SETTING_RULES);
    HWND hWndEdit = dialog.Item(IDC_SETTING_CELL_EDIT);
    FocusDialog(dialog);
    DoubleClickAt(CellPoint(hWndList, 1, 1));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hWndEdit) != FALSE; }));
    EXPECT_EQ(TextOf(hWndEdit), L"b.exe");
    // The editor lies over the cell it edits.
    RECT editor{};
    GetWindowRect(hWndEdit, &editor);
    const POINT cell = CellPoint(hWndList, 1, 1);
    EXPECT_TRUE(PtInRect(&editor, cell));

    Xdotool(L"type --delay 40 new.exe");
    Xdotool(L"key Return");
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hWndEdit) == FALSE; }));
    EXPECT_EQ(CellText(hWndList, 1, 1), L"new.exe");
    EXPECT_FALSE(dialog.Closed()) << "Enter only ends the cell edit";

    // Enter in a field, with no cell edit: the dialog has handled it once the key typed after
    // it shows, and it would have closed by then.
    HWND hWndLength = dialog.Item(IDC_SETTING_ENABLE_LENGTH);
    ClickAt(CentreOf(hWndLength));
    Xdotool(L"key End Return type 7");
    PumpUntil([&] { return dialog.Closed() || TextOf(hWndLength) == L"57"; });
    EXPECT_FALSE(dialog.Closed()) << "Enter without a cell edit does nothing";
    EXPECT_FALSE(IsWindowVisible(hWndEdit));

    ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_EQ(Shared.EnableLength, 57);
    ASSERT_EQ(TargetListViews.size(), 4u);
    EXPECT_STREQ(TargetListViews[1].ExeName, L"new.exe");
    EXPECT_STREQ(TargetListViews[1].RootClsName, L"RootB");
}

TEST_F(SettingDlg, EscapeWhileEditingCancelsTheWholeDialog) {
    CDialogThread dialog;
    HWND hWndEdit = dialog.Item(IDC_SETTING_CELL_EDIT);
    FocusDialog(dialog);
    DoubleClickAt(CellPoint(dialog.Item(IDC_SETTING_RULES), 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hWndEdit) != FALSE; }));
    Xdotool(L"type --delay 40 Other");
    Xdotool(L"key Escape");
    ASSERT_TRUE(dialog.WaitClosed());
    ExpectNothingChanged();
}

TEST_F(SettingDlg, DeleteRemovesTheSelectedRowsAndOkWritesTheRest) {
    CDialogThread dialog;
    HWND hWndList = dialog.Item(IDC_SETTING_RULES);
    FocusDialog(dialog);
    ClickAt(CellPoint(hWndList, 1, 0));
    const POINT third = CellPoint(hWndList, 2, 0);
    Xdotool(L"mousemove " + std::to_wstring(third.x) + L" " + std::to_wstring(third.y) +
            L" sleep 0.1 keydown ctrl click 1 keyup ctrl sleep 0.2");
    ClickAt(CentreOf(dialog.Item(IDC_SETTING_DELETE)));
    ASSERT_EQ(RowCount(hWndList), 2);
    EXPECT_EQ(CellText(hWndList, 0, 1), L"a.exe");
    EXPECT_EQ(CellText(hWndList, 1, 1), L"日本語.exe");
    EXPECT_TRUE(TargetListViews.size() == 4u) << "rows reach the rules only on OK";

    ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_EQ(NumberOfTargetListView, 2);
    ASSERT_EQ(TargetListViews.size(), 2u);
    EXPECT_TRUE(SameRule(TargetListViews[0], m_rulesBefore[0]));
    EXPECT_TRUE(SameRule(TargetListViews[1], m_rulesBefore[3]));
}

// A chord Explorer takes before its view is named beside the bindings while one is chosen; it
// is still stored, since it works in other list views.
TEST_F(SettingDlg, BindingsExplorerTakesFirstAreNamedBesideTheBindings) {
    Shared.KeyBind_Input = KEYBIND_CTRL | L'V';
    CDialogThread dialog;
    HWND warning = dialog.Item(IDC_SETTING_BINDING_WARNING);
    const std::wstring tail =
        L" はエクスプローラーが先に使うため、エクスプローラー上では働きません";
    // What a list sends its dialog when the user picks an entry.
    const auto choose = [&](int id, const wchar_t* entry) {
        SendMessageW(dialog.Item(id), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(entry));
        SendMessageW(dialog.Dialog(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(dialog.Item(id)));
    };
    EXPECT_TRUE(IsWindowVisible(warning)) << "a stored binding is checked as the dialog opens";
    EXPECT_EQ(TextOf(warning), L"Ctrl+V" + tail);

    choose(IDC_SETTING_NEXT_KEY, L"C");   // Ctrl+; becomes Ctrl+C
    choose(IDC_SETTING_SELALL_KEY, L"D"); // Alt+7 becomes Alt+D
    EXPECT_TRUE(IsWindowVisible(warning));
    EXPECT_EQ(TextOf(warning), L"Ctrl+C、Alt+D、Ctrl+V" + tail);
    Screenshot(L"binding-warning.png");

    choose(IDC_SETTING_INPUT_MOD, L"Alt");   // Alt+V is free
    choose(IDC_SETTING_SELALL_MOD, L"Ctrl"); // Alt+D becomes Ctrl+D, taken as well
    EXPECT_EQ(TextOf(warning), L"Ctrl+C、Ctrl+D" + tail);
    choose(IDC_SETTING_NEXT_KEY, L"Q");
    choose(IDC_SETTING_SELALL_KEY, L"7");
    EXPECT_FALSE(IsWindowVisible(warning));

    choose(IDC_SETTING_BACK_KEY, L"A");
    choose(IDC_SETTING_BACK_MOD, L"Ctrl");
    EXPECT_EQ(TextOf(warning), L"Ctrl+A" + tail);
    ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_EQ(Shared.KeyBind_Back, KEYBIND_CTRL | L'A');
}

// Hints follow real mouse moves: the test hides the popup itself to see whether a move shows
// it again.
class SettingDlgHints : public SettingDlg {
  protected:
    bool TipVisible() const { return IsWindowVisible(Tip()) != FALSE; }
    HWND Tip() const { return FindWindowExW(nullptr, nullptr, L"InfoTipWindowClass", nullptr); }
    void HideTip() const { ShowWindow(Tip(), SW_HIDE); }
    POINT TipPosition() const {
        RECT rc{};
        GetWindowRect(Tip(), &rc);
        return POINT{rc.left, rc.top};
    }
    static POINT TopRightOf(HWND hWnd) {
        RECT rc{};
        GetWindowRect(hWnd, &rc);
        return POINT{rc.right, rc.top};
    }
    // The text of the hint shown (the popup's accessible name), read after a round trip
    // through the dialog's thread.
    std::wstring ShownText(const CDialogThread& dialog) const {
        SendMessageW(dialog.Dialog(), WM_NULL, 0, 0);
        return TipVisible() ? TextOf(Tip()) : L"(none)";
    }
};

TEST_F(SettingDlgHints, LabelAndEditShowTheSameTextReshownAtTheEdit) {
    CDialogThread dialog;
    const std::wstring text = L"検索を開始する最小の文字数\r\n初期値:3\r\n最小値:2";
    MoveTo(CentreOf(dialog.Item(IDC_SETTING_LENGTH_LABEL)));
    ASSERT_TRUE(PumpUntil([&] { return TipVisible(); }));
    EXPECT_EQ(ShownText(dialog), text);
    const POINT anchor = TopRightOf(dialog.Item(IDC_SETTING_ENABLE_LENGTH));
    EXPECT_EQ(TipPosition().x, anchor.x);
    EXPECT_EQ(TipPosition().y, anchor.y);

    HideTip();
    POINT inLabel = CentreOf(dialog.Item(IDC_SETTING_LENGTH_LABEL));
    inLabel.x -= 10;
    MoveTo(inLabel);
    EXPECT_FALSE(TipVisible()) << "moving inside one hint area does not show it again";

    MoveTo(CentreOf(dialog.Item(IDC_SETTING_ENABLE_LENGTH)));
    EXPECT_TRUE(PumpUntil([&] { return TipVisible(); })) << "the edit is a hint of its own";
    EXPECT_EQ(ShownText(dialog), text);
}

TEST_F(SettingDlgHints, ButtonsLeaveTheHintAndEmptySpaceHidesIt) {
    CDialogThread dialog;
    MoveTo(CentreOf(dialog.Item(IDC_SETTING_DELETE)));
    ASSERT_TRUE(PumpUntil([&] { return TipVisible(); }));
    EXPECT_EQ(ShownText(dialog), L"下で選択している対象のリストビュー情報を削除");

    MoveTo(CentreOf(dialog.Item(IDC_SETTING_OK)));
    EXPECT_TRUE(TipVisible()) << "the OK button takes the mouse itself and has no hint";
    EXPECT_EQ(ShownText(dialog), L"下で選択している対象のリストビュー情報を削除");

    MoveTo(DialogPoint(dialog.Dialog(), 3, 330));
    EXPECT_TRUE(PumpUntil([&] { return !TipVisible(); }));
    EXPECT_EQ(ShownText(dialog), L"(none)");

    MoveTo(CentreOf(dialog.Item(IDC_SETTING_NEXT_MOD)));
    ASSERT_TRUE(PumpUntil([&] { return TipVisible(); }));
    EXPECT_EQ(ShownText(dialog), L"次候補選択\r\n初期値:Alt+N");
    Screenshot(L"hint.png");
    const POINT anchor = TopRightOf(dialog.Item(IDC_SETTING_NEXT_KEY));
    EXPECT_EQ(TipPosition().x, anchor.x);
}

// The system moves and sizes the controls when the dialog goes to a monitor of another scale;
// the hint areas go with them.
TEST_F(SettingDlgHints, AreasFollowTheControlsToANewLayout) {
    CDialogThread dialog;
    HWND hWndDelete = dialog.Item(IDC_SETTING_DELETE);
    const POINT moved = DialogPoint(dialog.Dialog(), 40, 274);
    POINT client = moved;
    ScreenToClient(dialog.Dialog(), &client);
    SetWindowPos(hWndDelete, nullptr, client.x, client.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveTo(CentreOf(hWndDelete));
    ASSERT_TRUE(PumpUntil([&] { return TipVisible(); }));
    EXPECT_EQ(ShownText(dialog), L"下で選択している対象のリストビュー情報を削除");
    const POINT anchor = TopRightOf(hWndDelete);
    EXPECT_EQ(TipPosition().x, anchor.x);
    EXPECT_EQ(TipPosition().y, anchor.y);
}

TEST_F(SettingDlg, LauncherTimerKeepsFiringWhileTheDialogIsOpen) {
    CDialogThread dialog;
    const int ticks = dialog.TimerTicks();
    EXPECT_TRUE(PumpUntil([&] { return dialog.TimerTicks() >= ticks + 3; }));
    EXPECT_FALSE(dialog.Closed());
}

BOOL CALLBACK CountSettingDialog(HWND hWnd, LPARAM counter) {
    if (TextOf(hWnd) == L"Skimvue - Version1,0,0,0015") {
        ++*reinterpret_cast<int*>(counter);
    }
    return TRUE;
}

int CountSettingDialogs() {
    int count = 0;
    EnumWindows(CountSettingDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(SettingDlg, SecondShowBringsTheOpenDialogForward) {
    CDialogThread dialog;
    unique_hwnd other(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                      nullptr, nullptr, nullptr, nullptr));
    SetForegroundWindow(other.get());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.get(); }));

    dialog.AskAgain();
    ASSERT_TRUE(PumpUntil([&] { return dialog.AskAgainReturned(); }));
    EXPECT_FALSE(dialog.Closed());
    EXPECT_EQ(CountSettingDialogs(), 1);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog.Dialog(); }));

    ClickAt(CentreOf(dialog.Item(IDC_SETTING_OK)));
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_TRUE(FileExists()) << "the dialog that stayed open still saves";
}

// The launcher's way in: the library's export shows the library's own dialog 102.
TEST_F(SettingDlg, ExportShowsTheLibrarysDialog) {
    CDialogThread dialog(SkimvueDll::ShowSettingDlg);
    ASSERT_NE(dialog.Dialog(), nullptr);
    EXPECT_EQ(reinterpret_cast<HMODULE>(GetWindowLongPtrW(dialog.Dialog(), GWLP_HINSTANCE)),
              GetModuleHandleW(SKIMVUE_DLL_FILE));
    EXPECT_EQ(TextOf(dialog.Item(IDCANCEL)), L"キャンセル");
    dialog.AskAgain();
    ASSERT_TRUE(PumpUntil([&] { return dialog.AskAgainReturned(); }));
    EXPECT_EQ(CountSettingDialogs(), 1);
    ClickAt(CentreOf(dialog.Item(IDCANCEL)));
    EXPECT_TRUE(dialog.WaitClosed());
}

} // namespace
