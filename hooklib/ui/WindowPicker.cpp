#include "ui/WindowPicker.h"

#include <algorithm>

#include "support/SystemEntryPoint.h"
#include "support/UniqueHandle.h"
#include "support/WindowIdentity.h"
#include "support/StdString.h"
#include "ui/Dpi.h"
#include "ui/SettingDlgResource.h"

namespace {

// A rule field holds 260 characters, but the picker fills it as the dialog's cell texts are
// read back: 259 characters and the terminator.
constexpr size_t kRuleFieldText = kRuleFieldLength - 2;
constexpr int kFrameWidth = 3;
// DWMWINDOWATTRIBUTE of dwmapi.h.
constexpr DWORD kExtendedFrameBounds = 9;
using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

std::wstring OrStar(const std::wstring& value) {
    return value.empty() ? L"*" : value;
}

// The part of the window that is seen, relative to its window rectangle's top-left corner.
// Since Windows 10 a top-level window's rectangle takes in resize borders that the desktop
// window manager leaves invisible (it draws the shadow there); it reports the visible bounds.
// Those come in physical pixels, which is what the launcher sees: it is per-monitor DPI aware.
RECT VisibleBounds(HWND hwnd, const RECT& window) {
    static const auto getAttribute =
        FindSystemEntryPoint<DwmGetWindowAttributeFn>(L"dwmapi.dll", "DwmGetWindowAttribute");
    RECT bounds = window;
    RECT visible{};
    if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) == 0 && getAttribute != nullptr &&
        SUCCEEDED(getAttribute(hwnd, kExtendedFrameBounds, &visible, sizeof(visible))) &&
        !IsRectEmpty(&visible)) {
        IntersectRect(&bounds, &visible, &window);
    }
    OffsetRect(&bounds, -window.left, -window.top);
    return bounds;
}

// Erases the frame by letting the window paint itself again, which holds even when it painted
// over the frame meanwhile (a second inversion would then draw one). The frame may also lie on
// the window's border, which an invalidated client area alone would leave inverted.
void RepaintFramedWindow(HWND hwnd) {
    if (hwnd != nullptr) {
        RedrawWindow(hwnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

} // namespace

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
    const unique_hdc_window dc(hwnd, GetWindowDC(hwnd));
    RECT window{};
    if (!dc || !GetWindowRect(hwnd, &window)) {
        return;
    }
    const RECT rc = VisibleBounds(hwnd, window);
    if (IsRectEmpty(&rc)) {
        return;
    }
    // Four bands that do not overlap, so every pixel is inverted exactly once.
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    const int side = std::max(h - 2 * kFrameWidth, 0);
    PatBlt(dc.get(), rc.left, rc.top, w, kFrameWidth, DSTINVERT);
    PatBlt(dc.get(), rc.left, rc.bottom - kFrameWidth, w, kFrameWidth, DSTINVERT);
    PatBlt(dc.get(), rc.left, rc.top + kFrameWidth, kFrameWidth, side, DSTINVERT);
    PatBlt(dc.get(), rc.right - kFrameWidth, rc.top + kFrameWidth, kFrameWidth, side, DSTINVERT);
}

void CWindowPicker::Attach(HWND hDlg, HWND hWndAim, HINSTANCE hInstance) {
    m_hDlg = hDlg;
    m_hWndAim = hWndAim;
    m_hInstance = hInstance;
}

// A control drops the icon it showed only after it has the new one.
void CWindowPicker::LoadIcons(UINT dpi) {
    m_hAimRest.reset(LoadIconForDpi(m_hInstance, IDI_AIM_REST, SM_CXICON, dpi));
    m_hAimEmpty.reset(LoadIconForDpi(m_hInstance, IDI_AIM_EMPTY, SM_CXICON, dpi));
    SetAimIcon(m_bDragging ? m_hAimEmpty.get() : m_hAimRest.get());
}

bool CWindowPicker::OnButtonDown(POINT pt) {
    if (m_bDragging) {
        return false;
    }
    // The icon does not take mouse input, so a click on it reaches the dialog; its edges count.
    RECT aim{};
    GetWindowRect(m_hWndAim, &aim);
    MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&aim), 2);
    if (pt.x < aim.left || pt.x > aim.right || pt.y < aim.top || pt.y > aim.bottom) {
        return false;
    }
    m_bDragging = true;
    SetAimIcon(m_hAimEmpty.get());
    SetCapture(m_hDlg);
    SetCursor(LoadCursorW(m_hInstance, MAKEINTRESOURCEW(IDC_AIM)));
    return true;
}

void CWindowPicker::OnDrag(HWND hWndPassedOver) {
    POINT pt{};
    GetCursorPos(&pt);
    HWND hWnd = WindowFromPoint(pt);
    if (hWnd == nullptr) {
        return;
    }
    // WindowFromPoint passes over disabled child controls; this finds them, but not hidden ones.
    ScreenToClient(hWnd, &pt);
    if (HWND hWndChild = ChildWindowFromPointEx(hWnd, pt, CWP_SKIPINVISIBLE)) {
        hWnd = hWndChild;
    }
    if (hWnd == m_hWndHighlight || hWnd == hWndPassedOver) {
        return;
    }
    InvertWindowFrame(m_hWndHighlight);
    m_hWndHighlight = hWnd;
    InvertWindowFrame(hWnd);
    m_picked = GetWindowIdentity(hWnd);
}

std::optional<TargetListView> CWindowPicker::OnButtonUp() {
    if (!m_bDragging) {
        return std::nullopt;
    }
    RepaintFramedWindow(m_hWndHighlight);
    EndDrag();
    if (m_hWndHighlight == nullptr) {
        return std::nullopt;
    }
    m_hWndHighlight = nullptr;
    return Confirmed() ? std::optional<TargetListView>(m_picked) : std::nullopt;
}

void CWindowPicker::Cancel() {
    RepaintFramedWindow(m_hWndHighlight);
    m_hWndHighlight = nullptr;
    EndDrag();
}

void CWindowPicker::EndDrag() {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    m_bDragging = false;
    ReleaseCapture();
    SetAimIcon(m_hAimRest.get());
}

bool CWindowPicker::Confirmed() const {
    CStdString question;
    question.Format(L"以下のウィンドウ情報を対象リストビューへ追加します。\r\n\r\n"
                    L"クラス名\t\t: %s\r\n実行ファイル名\t: %s\r\nルートクラス名\t: %s\r\n"
                    L"ルートオーナークラス名: %s",
                    m_picked.ClsName, m_picked.ExeName, m_picked.RootClsName,
                    m_picked.RootOwnerClsName);
    return MessageBoxW(m_hDlg, question.c_str(), L"Skimvue", MB_OKCANCEL | MB_ICONINFORMATION) ==
           IDOK;
}

void CWindowPicker::SetAimIcon(HICON hIcon) {
    if (hIcon != nullptr) {
        SendMessageW(m_hWndAim, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0);
    }
}
