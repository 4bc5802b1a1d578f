#include "ui/ControlHints.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "support/Barrier.h"

namespace {

// The hovered controls' one subclass.
constexpr UINT_PTR kHoverSubclassId = 1;

} // namespace

CControlHints::~CControlHints() {
    Destroy();
}

void CControlHints::Create(HWND hDlg, HINSTANCE hInstance) {
    m_hDlg = hDlg;
    m_tip.Create(hDlg, hInstance);
}

void CControlHints::Add(const wchar_t* text, HWND hWndHover, HWND hWndAnchor) {
    m_hints.push_back(CHint{text, hWndHover, hWndAnchor});
    // Subclassing a control twice would pass each move on twice.
    if (std::find(m_hovered.begin(), m_hovered.end(), hWndHover) != m_hovered.end()) {
        return;
    }
    m_hovered.push_back(hWndHover);
    SetWindowSubclass(hWndHover, HoverProc, kHoverSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

RECT CControlHints::ClientRectOf(HWND hWndControl) const {
    RECT rc{};
    GetWindowRect(hWndControl, &rc);
    MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void CControlHints::Hide() {
    if (m_tip.GetWnd() != nullptr) {
        ShowWindow(m_tip.GetWnd(), SW_HIDE);
    }
    m_iCurrentHint = -1;
}

void CControlHints::OnMouseMove(POINT pt) {
    const auto hint = std::find_if(m_hints.begin(), m_hints.end(), [&](const CHint& h) {
        const RECT hover = ClientRectOf(h.m_hWndHover);
        return PtInRect(&hover, pt) != FALSE;
    });
    if (hint == m_hints.end()) {
        Hide();
        return;
    }
    const int index = static_cast<int>(hint - m_hints.begin());
    if (index == m_iCurrentHint) {
        return;
    }
    m_iCurrentHint = index;
    RECT anchor{};
    GetWindowRect(hint->m_hWndAnchor, &anchor);
    m_tip.m_x = anchor.right;
    m_tip.m_y = anchor.top;
    m_tip.SetText(hint->m_text);
    // No hide timer: the hint stays until the mouse leaves every hint area.
    m_tip.Show(0);
}

void CControlHints::Destroy() {
    for (HWND hWndControl : m_hovered) {
        RemoveWindowSubclass(hWndControl, HoverProc, kHoverSubclassId);
    }
    m_hovered.clear();
    m_hints.clear();
    m_iCurrentHint = -1;
    m_tip.Destroy();
}

// Called by the system's control code: nothing may escape into the message loop of the program
// that shows the dialog.
LRESULT CALLBACK CControlHints::HoverProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) noexcept {
    if (msg == WM_MOUSEMOVE) {
        Barrier(L"HintSubclassProc", [&] {
            auto* hints = reinterpret_cast<CControlHints*>(self);
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MapWindowPoints(hWnd, hints->m_hDlg, &pt, 1);
            hints->OnMouseMove(pt);
        });
    }
    return DefSubclassProc(hWnd, msg, wParam, lParam);
}
