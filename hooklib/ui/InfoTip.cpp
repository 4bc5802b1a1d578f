#include "ui/InfoTip.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "support/Barrier.h"
#include "support/Messages.h"
#include "ui/Dpi.h"
#include "ui/LiveRegion.h"

namespace {

constexpr wchar_t kClassName[] = L"InfoTipWindowClass";
constexpr UINT_PTR kHideTimerId = 100;
// The window is this much larger than the text, which sits at (kTextLeft, kTextTop).
constexpr int kExtraWidth = 5;
constexpr int kExtraHeight = 3;
constexpr int kTextLeft = 2;
constexpr int kTextTop = 1;
// Names are shown as they are: "Q&A.docx" must not become "QA" with an underlined A.
constexpr UINT kTextFormat = DT_NOPREFIX;

// The status-bar font at dpi. The system gives it at the system DPI; a monitor of another
// scale gets it in proportion.
HFONT CreateStatusFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0)) {
        // Systems older than the structure's last field reject the full size.
        metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);
    }
    const UINT systemDpi = SystemDpi();
    if (dpi != systemDpi) {
        metrics.lfStatusFont.lfHeight = MulDiv(metrics.lfStatusFont.lfHeight, static_cast<int>(dpi),
                                               static_cast<int>(systemDpi));
    }
    return CreateFontIndirectW(&metrics.lfStatusFont);
}

// Where a window of size whose top-left corner is wanted at pt lies wholly inside the work area
// of the monitor nearest to pt: never under the taskbar nor off the screen. A window larger
// than the work area keeps its top-left corner inside it.
POINT KeepInWorkArea(POINT pt, SIZE size) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return pt;
    }
    const RECT& work = monitor.rcWork;
    const auto keep = [](LONG at, LONG extent, LONG low, LONG high) {
        return std::max(low, std::min(at, high - extent));
    };
    return POINT{keep(pt.x, size.cx, work.left, work.right),
                 keep(pt.y, size.cy, work.top, work.bottom)};
}

HWND CreateTipWindowOnce(WNDPROC wndProc, HWND parent, HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = wndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    // An earlier tip of the process may have registered the class already; that one serves.
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, kClassName, nullptr, WS_POPUP, 0, 0, 0, 0, parent, nullptr, instance,
                           nullptr);
}

// A tip of another thread may unregister the class between registration and creation.
HWND CreateTipWindow(WNDPROC wndProc, HWND parent, HINSTANCE instance) {
    HWND hWnd = CreateTipWindowOnce(wndProc, parent, instance);
    return hWnd ? hWnd : CreateTipWindowOnce(wndProc, parent, instance);
}

} // namespace

CInfoTip::CInfoTip() : m_hFont(CreateStatusFont(SystemDpi())), m_fontDpi(SystemDpi()) {}

CInfoTip::~CInfoTip() {
    if (Destroy() != 0) {
        // A window of another thread outlives this object: it must not reach it any more.
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    }
}

int CInfoTip::Create(HWND parent, HINSTANCE instance) {
    if (Destroy() != 0) {
        return -1;
    }
    m_hInstance = instance;
    m_hParent = parent;
    m_hWnd = CreateTipWindow(InfoTipWndProc, parent, instance);
    if (!m_hWnd) {
        return -1;
    }
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowTextW(m_hWnd, m_text.c_str());
    return 0;
}

int CInfoTip::Destroy() {
    if (m_hWnd && IsWindow(m_hWnd) && !DestroyWindow(m_hWnd)) {
        return -1;
    }
    ForgetWindow();
    if (m_hInstance) {
        // A class left registered would point into this module after it is unloaded. This
        // fails while other tips of the process still have windows; the last one removes it.
        UnregisterClassW(kClassName, m_hInstance);
    }
    return 0;
}

void CInfoTip::SetText(const CStdString& text) {
    m_text = text;
    if (m_hWnd) {
        SetWindowTextW(m_hWnd, m_text.c_str());
    }
}

void CInfoTip::Announce() {
    if (!m_hWnd) {
        return;
    }
    m_bAnnounce = true;
    if (IsWindowVisible(m_hWnd)) {
        RaiseAnnouncement();
    }
}

void CInfoTip::RaiseAnnouncement() {
    m_bAnnounce = false;
    if (!m_bMarkTried) {
        m_bMarkTried = true;
        m_bLiveRegion = MarkPoliteLiveRegion(m_hWnd);
    }
    AnnounceLiveRegion(m_hWnd);
}

// WM_DESTROY: the window goes (perhaps with its owner); destroying it again from here would
// recurse. Its live-region mark goes first, while the window still answers.
void CInfoTip::OnWindowGone() {
    if (m_bLiveRegion) {
        ClearLiveRegion(m_hWnd);
    }
    ForgetWindow();
}

void CInfoTip::ForgetWindow() {
    m_hWnd = nullptr;
    m_nTimerId = 0;
    m_bMarkTried = false;
    m_bLiveRegion = false;
    m_bAnnounce = false;
}

RECT CInfoTip::MeasureText(HDC hDC) const {
    RECT extent{};
    DrawTextW(hDC, m_text.c_str(), static_cast<int>(m_text.size()), &extent,
              DT_CALCRECT | kTextFormat);
    return extent;
}

void CInfoTip::UseFontFor(UINT dpi) {
    if (dpi == m_fontDpi && m_hFont) {
        return;
    }
    if (unique_hfont font(CreateStatusFont(dpi)); font) {
        m_hFont = std::move(font);
        m_fontDpi = dpi;
    }
}

BOOL CInfoTip::Layout() {
    if (!m_hWnd) {
        return 0;
    }
    // The text is measured in the font of the monitor the tip is to show on.
    const POINT wanted{m_x, m_y};
    UseFontFor(DpiAtPoint(wanted));
    RECT extent{};
    {
        const unique_hdc_window dc(m_hWnd, GetDC(m_hWnd));
        const unique_select_object font = SelectObjectFor(dc.get(), m_hFont.get());
        extent = MeasureText(dc.get());
    }
    const SIZE size{extent.right + kExtraWidth, extent.bottom + kExtraHeight};
    const POINT at = KeepInWorkArea(wanted, size);
    return SetWindowPos(m_hWnd, HWND_TOP, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE);
}

BOOL CInfoTip::Show(int displayMs) {
    if (!m_hWnd) {
        return 0;
    }
    Layout();
    const BOOL result = ShowWindow(m_hWnd, SW_SHOWNA);
    InvalidateRect(m_hWnd, nullptr, TRUE);
    if (m_bAnnounce) {
        RaiseAnnouncement();
    }
    if (displayMs > 0) {
        // Setting the same timer again restarts it with the new period.
        m_nTimerId = SetTimer(m_hWnd, kHideTimerId, static_cast<UINT>(displayMs), nullptr);
    }
    return result;
}

void CInfoTip::Paint() {
    const unique_hdc_window dc(m_hWnd, GetDC(m_hWnd));
    const unique_select_object font = SelectObjectFor(dc.get(), m_hFont.get());
    const int oldMode = SetBkMode(dc.get(), TRANSPARENT);
    RECT text = MeasureText(dc.get());
    RECT frame{0, 0, text.right + kExtraWidth, text.bottom + kExtraHeight};
    FillRect(dc.get(), &frame, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INFOBK + 1)));
    // Text and frame in the colour the colour scheme pairs with the tooltip background: black
    // on the default light yellow, light on the dark background of the high-contrast themes.
    FrameRect(dc.get(), &frame, GetSysColorBrush(COLOR_INFOTEXT));
    const COLORREF oldColor = SetTextColor(dc.get(), GetSysColor(COLOR_INFOTEXT));
    OffsetRect(&text, kTextLeft, kTextTop);
    DrawTextW(dc.get(), m_text.c_str(), static_cast<int>(m_text.size()), &text, kTextFormat);
    SetTextColor(dc.get(), oldColor);
    SetBkMode(dc.get(), oldMode);
}

void CInfoTip::OnTimer(WPARAM timerId) {
    if (m_nTimerId == 0 || timerId != m_nTimerId) {
        return;
    }
    KillTimer(m_hWnd, m_nTimerId);
    m_nTimerId = 0;
    ShowWindow(m_hWnd, SW_HIDE);
}

void CInfoTip::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY:
        OnWindowGone();
        break;
    case WM_PAINT:
        Paint();
        break;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_INFOTIP_SHOWAT:
        m_x = static_cast<short>(HIWORD(lParam));
        m_y = static_cast<short>(LOWORD(lParam));
        Show(static_cast<int>(wParam));
        break;
    default:
        break;
    }
}

LRESULT CALLBACK CInfoTip::InfoTipWndProc(HWND hWnd, UINT msg, WPARAM wParam,
                                          LPARAM lParam) noexcept {
    const bool noActivate = Barrier(L"InfoTipWndProc", false, [&] {
        auto* tip = reinterpret_cast<CInfoTip*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (tip == nullptr) {
            return false;
        }
        // A click on the tip must not take the focus from the view being typed into.
        if (msg == WM_MOUSEACTIVATE) {
            return true;
        }
        tip->OnMessage(msg, wParam, lParam);
        return false;
    });
    return noActivate ? MA_NOACTIVATE : DefWindowProcW(hWnd, msg, wParam, lParam);
}
