#include "ui/WindowPicker.h"

#include <algorithm>

#include "hook/WindowIdentity.h"
#include "ui/SettingDlg.h"
#include "ui/SettingDlgResource.h"

namespace {

// A rule field holds 260 characters, but the picker fills it as the dialog's cell texts are
// read back: 259 characters and the terminator.
constexpr size_t kRuleFieldText = kRuleFieldLength - 2;
constexpr int kFrameWidth = 3;

std::wstring OrStar(const std::wstring& value) {
    return value.empty() ? L"*" : value;
}

struct CWindowDC {
    explicit CWindowDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(GetWindowDC(hwnd)) {}
    ~CWindowDC() {
        if (m_hDC != nullptr) {
            ReleaseDC(m_hWnd, m_hDC);
        }
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;

    HWND m_hWnd;
    HDC m_hDC;
};

} // namespace

WindowIdentity ReadWindowIdentity(HWND hwnd) {
    return WindowIdentity{ReadClassName(hwnd), ReadExeName(hwnd), ReadRootClassName(hwnd),
                          ReadRootOwnerClassName(hwnd)};
}

void CopyRuleField(wchar_t (&field)[kRuleFieldLength], const std::wstring& text) {
    const size_t length = std::min(text.size(), kRuleFieldText);
    std::fill(std::begin(field), std::end(field), L'\0');
    std::copy_n(text.begin(), length, field);
}

TargetListView GetWindowIdentity(HWND hwnd) {
    const WindowIdentity identity = ReadWindowIdentity(hwnd);
    TargetListView rule{};
    CopyRuleField(rule.ClsName, OrStar(identity.m_clsName));
    CopyRuleField(rule.ExeName, OrStar(identity.m_exeName));
    CopyRuleField(rule.RootClsName, OrStar(identity.m_rootClsName));
    CopyRuleField(rule.RootOwnerClsName, OrStar(identity.m_rootOwnerClsName));
    return rule;
}

void InvertWindowFrame(HWND hwnd) {
    if (hwnd == nullptr || !IsWindow(hwnd)) {
        return;
    }
    CWindowDC dc(hwnd);
    RECT rc{};
    if (dc.m_hDC == nullptr || !GetWindowRect(hwnd, &rc)) {
        return;
    }
    OffsetRect(&rc, -rc.left, -rc.top);
    if (IsRectEmpty(&rc)) {
        return;
    }
    // Four bands that do not overlap, so every pixel is inverted exactly once.
    const int w = rc.right;
    const int h = rc.bottom;
    const int side = std::max(h - 2 * kFrameWidth, 0);
    PatBlt(dc.m_hDC, 0, 0, w, kFrameWidth, DSTINVERT);
    PatBlt(dc.m_hDC, 0, h - kFrameWidth, w, kFrameWidth, DSTINVERT);
    PatBlt(dc.m_hDC, 0, kFrameWidth, kFrameWidth, side, DSTINVERT);
    PatBlt(dc.m_hDC, w - kFrameWidth, kFrameWidth, kFrameWidth, side, DSTINVERT);
}

// The picker's part of the settings dialog: press on the aim icon, drag it over a window,
// release to offer that window as a new rule.

void CSettingDlg::OnPickerButtonDown(int x, int y) {
    if (m_bDragging) {
        return;
    }
    // The icon does not take mouse input, so a click on it reaches the dialog; its edges count.
    const RECT aim = ClientRectOf(Item(IDC_SETTING_AIM));
    if (x < aim.left || x > aim.right || y < aim.top || y > aim.bottom) {
        return;
    }
    SetAimIcon(IDI_AIM_EMPTY);
    m_bDragging = 1;
    SetCapture(m_hWnd);
    SetCursor(LoadCursorW(m_hInstance, MAKEINTRESOURCEW(IDC_AIM)));
}

void CSettingDlg::OnPickerDrag() {
    POINT pt{};
    GetCursorPos(&pt);
    HWND hWnd = WindowFromPoint(pt);
    if (hWnd == nullptr) {
        return;
    }
    // WindowFromPoint passes over disabled child controls; ChildWindowFromPoint finds them.
    ScreenToClient(hWnd, &pt);
    if (HWND hWndChild = ChildWindowFromPoint(hWnd, pt)) {
        hWnd = hWndChild;
    }
    if (hWnd == m_hWndHighlight) {
        return;
    }
    InvertWindowFrame(m_hWndHighlight);
    m_hWndHighlight = hWnd;
    InvertWindowFrame(hWnd);
    m_picked = GetWindowIdentity(hWnd);
}

void CSettingDlg::OnPickerButtonUp() {
    if (!m_bDragging) {
        return;
    }
    if (m_hWndHighlight != nullptr) {
        // The frame may also lie on the window's border, which an invalidated client area
        // alone would leave inverted.
        RedrawWindow(m_hWndHighlight, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    ReleaseCapture();
    m_bDragging = 0;
    SetAimIcon(IDI_AIM_REST);
    if (m_hWndHighlight != nullptr) {
        m_hWndHighlight = nullptr;
        ConfirmPickedWindow();
    }
}

void CSettingDlg::ConfirmPickedWindow() {
    CStdString question;
    question.Format(L"以下のウィンドウ情報を対象リストビューへ追加します。\r\n\r\n"
                    L"クラス名\t\t: %s\r\n実行ファイル名\t: %s\r\nルートクラス名\t: %s\r\n"
                    L"ルートオーナークラス名: %s",
                    m_picked.ClsName, m_picked.ExeName, m_picked.RootClsName,
                    m_picked.RootOwnerClsName);
    if (MessageBoxW(m_hWnd, question.c_str(), L"Skimvue", MB_OKCANCEL | MB_ICONINFORMATION) ==
        IDOK) {
        AppendRuleRow(m_picked);
    }
}

void CSettingDlg::SetAimIcon(int iconId) {
    // Icons from LoadIconW are shared: they are never destroyed.
    SendMessageW(Item(IDC_SETTING_AIM), STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(m_hInstance, MAKEINTRESOURCEW(iconId))), 0);
}
