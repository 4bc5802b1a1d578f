#pragma once
// Help popups of a dialog: while the mouse rests on a control that has a hint, the hint's text
// shows beside its anchor control (at the anchor's top-right corner) until the mouse leaves
// every hint area. Controls that take the mouse themselves pass their moves on to the hints.
#include <windows.h>

#include <vector>

#include "support/StdString.h"
#include "ui/InfoTip.h"

class CControlHints {
  public:
    CControlHints() = default;
    ~CControlHints();
    CControlHints(const CControlHints&) = delete;
    CControlHints& operator=(const CControlHints&) = delete;

    // Creates the popup over the dialog.
    void Create(HWND hDlg, HINSTANCE hInstance);
    // Hovering hWndHover shows text at hWndAnchor; several hints may share a text.
    void Add(const wchar_t* text, HWND hWndHover, HWND hWndAnchor);
    // The mouse at pt, in the dialog's client coordinates: shows the first hint whose control
    // lies under it (again only when it is another hint), or hides the popup.
    void OnMouseMove(POINT pt);
    void Hide();
    // Gives the controls their own procedures back and destroys the popup: the controls outlive
    // the dialog's WM_DESTROY by a few messages.
    void Destroy();
    HWND GetTipWnd() const { return m_tip.GetWnd(); }

  private:
    // One help area, read from the hovered control and the anchor control each time: they
    // follow any new layout, such as the one the system makes when the dialog moves to a
    // monitor of another scale.
    struct CHint {
        CStdString m_text;
        HWND m_hWndHover = nullptr;
        HWND m_hWndAnchor = nullptr;
    };
    static LRESULT CALLBACK HoverProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self) noexcept;
    RECT ClientRectOf(HWND hWndControl) const;

    HWND m_hDlg = nullptr;
    CInfoTip m_tip;
    std::vector<CHint> m_hints;
    // Controls subclassed once each, however many hints they have.
    std::vector<HWND> m_hovered;
    // Index into m_hints of the hint being shown, -1 for none.
    int m_iCurrentHint = -1;
};
