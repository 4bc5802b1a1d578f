#include "ui/DialogLayout.h"

#include <algorithm>
#include <string>
#include <vector>

#include "support/UniqueHandle.h"
#include "ui/Dpi.h"

namespace {

enum class TextKind { None, Label, CheckMark, PushButton };

std::vector<HWND> Children(HWND hDlg) {
    std::vector<HWND> children;
    for (HWND hWnd = GetWindow(hDlg, GW_CHILD); hWnd != nullptr;
         hWnd = GetWindow(hWnd, GW_HWNDNEXT)) {
        children.push_back(hWnd);
    }
    return children;
}

LONG Style(HWND hWnd) {
    return GetWindowLongW(hWnd, GWL_STYLE);
}

// Before the dialog is first shown no control counts as visible to IsWindowVisible.
bool Shown(HWND hWnd) {
    return (Style(hWnd) & WS_VISIBLE) != 0;
}

RECT RectIn(HWND hDlg, HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool IsClass(HWND hWnd, const wchar_t* name) {
    wchar_t className[32] = {};
    GetClassNameW(hWnd, className, 32);
    return lstrcmpiW(className, name) == 0;
}

TextKind KindOf(HWND hWnd) {
    const LONG style = Style(hWnd);
    if (IsClass(hWnd, L"Static")) {
        switch (style & SS_TYPEMASK) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT:
        case SS_SIMPLE:
        case SS_LEFTNOWORDWRAP:
            return TextKind::Label;
        default:
            return TextKind::None;
        }
    }
    if (IsClass(hWnd, L"Button")) {
        switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            return TextKind::PushButton;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE:
            return (style & BS_PUSHLIKE) != 0 ? TextKind::PushButton : TextKind::CheckMark;
        default:
            return TextKind::None;
        }
    }
    return TextKind::None;
}

std::wstring TextOf(HWND hWnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Width the control needs to show its whole text on one line in its own font; 0 without text.
int NeededWidth(HWND hWnd, TextKind kind, UINT dpi) {
    const std::wstring text = TextOf(hWnd);
    const unique_hdc_window dc(hWnd, GetDC(hWnd));
    if (text.empty() || !dc) {
        return 0;
    }
    auto* font = reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0));
    const unique_select_object selected =
        SelectObjectFor(dc.get(), font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    // Controls draw "&" as the underline of the next character unless told otherwise.
    const bool noPrefix = kind == TextKind::Label && (Style(hWnd) & SS_NOPREFIX) != 0;
    RECT extent{};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent,
              DT_CALCRECT | DT_SINGLELINE | (noPrefix ? DT_NOPREFIX : 0));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    switch (kind) {
    case TextKind::CheckMark:
        // The box, then a gap before the text.
        return extent.right + SystemMetricForDpi(SM_CXMENUCHECK, dpi) + metrics.tmAveCharWidth;
    case TextKind::PushButton:
        return extent.right + 2 * (metrics.tmAveCharWidth + SystemMetricForDpi(SM_CXEDGE, dpi));
    default:
        return extent.right;
    }
}

int LeftMargin(HWND hDlg) {
    int margin = -1;
    for (HWND hWnd : Children(hDlg)) {
        if (Shown(hWnd)) {
            const LONG left = RectIn(hDlg, hWnd).left;
            margin = margin < 0 ? left : std::min<int>(margin, left);
        }
    }
    return std::max(margin, 0);
}

// Where the control at rc may end: the left edge of the nearest shown control to its right
// that shares some of its height, else the dialog's right margin.
LONG RightLimit(HWND hDlg, HWND hWndControl, const RECT& rc, int margin) {
    RECT client{};
    GetClientRect(hDlg, &client);
    LONG limit = client.right - margin;
    for (HWND hWnd : Children(hDlg)) {
        const RECT other = RectIn(hDlg, hWnd);
        if (hWnd != hWndControl && Shown(hWnd) && other.left >= rc.right && other.top < rc.bottom &&
            other.bottom > rc.top) {
            limit = std::min(limit, other.left);
        }
    }
    return limit;
}

// Makes the dialog width wider, inserting the space at x = boundary.
void OpenColumn(HWND hDlg, LONG boundary, int width, int margin) {
    RECT client{};
    GetClientRect(hDlg, &client);
    const LONG stretchFrom = client.right - 2 * margin;
    constexpr UINT kKeep = SWP_NOZORDER | SWP_NOACTIVATE;
    for (HWND hWnd : Children(hDlg)) {
        const RECT rc = RectIn(hDlg, hWnd);
        if (rc.right <= boundary) {
            continue;
        }
        if (rc.left < boundary && rc.right >= stretchFrom) {
            SetWindowPos(hWnd, nullptr, 0, 0, rc.right - rc.left + width, rc.bottom - rc.top,
                         kKeep | SWP_NOMOVE);
        } else {
            SetWindowPos(hWnd, nullptr, rc.left + width, rc.top, 0, 0, kKeep | SWP_NOSIZE);
        }
    }
    RECT window{};
    GetWindowRect(hDlg, &window);
    // Grown on both sides, a centred dialog stays centred.
    SetWindowPos(hDlg, nullptr, window.left - width / 2, window.top,
                 window.right - window.left + width, window.bottom - window.top, kKeep);
}

} // namespace

void FitTextControls(HWND hDlg) {
    const UINT dpi = DpiOfWindow(hDlg);
    for (HWND hWnd : Children(hDlg)) {
        const TextKind kind = KindOf(hWnd);
        const int needed = kind == TextKind::None ? 0 : NeededWidth(hWnd, kind, dpi);
        const RECT rc = RectIn(hDlg, hWnd);
        if (rc.left + needed <= rc.right) {
            continue;
        }
        const int margin = LeftMargin(hDlg);
        const LONG limit = RightLimit(hDlg, hWnd, rc, margin);
        if (rc.left + needed > limit) {
            OpenColumn(hDlg, rc.right, static_cast<int>(rc.left + needed - limit), margin);
        }
        SetWindowPos(hWnd, nullptr, 0, 0, needed, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void OrderTabsByLayout(HWND hDlg) {
    struct Stop {
        HWND m_hWnd;
        RECT m_rc;
    };
    std::vector<Stop> stops;
    for (HWND hWnd : Children(hDlg)) {
        if ((Style(hWnd) & WS_TABSTOP) != 0) {
            stops.push_back(Stop{hWnd, RectIn(hDlg, hWnd)});
        }
    }
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        return a.m_rc.top != b.m_rc.top ? a.m_rc.top < b.m_rc.top : a.m_rc.left < b.m_rc.left;
    });
    // Each stop goes right after the one before it; the first keeps its place.
    for (size_t i = 1; i < stops.size(); ++i) {
        SetWindowPos(stops[i].m_hWnd, stops[i - 1].m_hWnd, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}
