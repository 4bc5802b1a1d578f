#pragma once
// A one-line popup drawn like a system tooltip; shown, moved and resized without ever being
// activated, so typing goes on in the window below it.
#include <windows.h>

#include "support/StdString.h"
#include "support/UniqueHandle.h"

class CInfoTip {
  public:
    CInfoTip();
    virtual ~CInfoTip();
    CInfoTip(const CInfoTip&) = delete;
    CInfoTip& operator=(const CInfoTip&) = delete;

    // 0, or -1 when no window was created.
    int Create(HWND parent, HINSTANCE instance);
    // 0, or -1 when DestroyWindow failed (the handle is kept).
    int Destroy();
    // Copies the text, which is also the window's text and so its accessible name; the screen
    // changes at the next Show or repaint.
    void SetText(const CStdString& text);
    // Tells screen readers to speak the text once the tip is on screen (at once when it is):
    // the tip is a polite live region (marked at the first announcement) and raises its change
    // event. Screen readers pass over changes of hidden windows. Nothing without a window.
    void Announce();
    const CStdString& GetText() const { return m_text; }
    // Sizes the tip to its text in the font of the monitor at (m_x, m_y) and places it there,
    // moved as far as needed to lie inside that monitor's work area.
    BOOL Layout();
    // Shows the tip at (m_x, m_y); a positive displayMs hides it again after that time.
    BOOL Show(int displayMs);
    HWND GetWnd() const { return m_hWnd; }

  private:
    static LRESULT CALLBACK InfoTipWndProc(HWND hWnd, UINT msg, WPARAM wParam,
                                           LPARAM lParam) noexcept;
    void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnTimer(WPARAM timerId);
    void Paint();
    RECT MeasureText(HDC hDC) const;
    void UseFontFor(UINT dpi);
    void OnWindowGone();
    // Everything that belonged to the window, which is gone.
    void ForgetWindow();
    void RaiseAnnouncement();

    HINSTANCE m_hInstance = nullptr;
    HWND m_hParent = nullptr;
    HWND m_hWnd = nullptr;
    unique_hfont m_hFont;
    UINT m_fontDpi;
    UINT_PTR m_nTimerId = 0;
    CStdString m_text;
    // The window's live-region mark was tried (once per window: a host thread without COM
    // cannot set it, and each key would try again), and it carries the mark, which must be
    // cleared before it goes.
    bool m_bMarkTried = false;
    bool m_bLiveRegion = false;
    // An announcement waits for the next Show.
    bool m_bAnnounce = false;

  public:
    // Screen position asked for the top-left corner, written by the callers and
    // WM_INFOTIP_SHOWAT; Layout keeps the window inside the work area around it.
    int m_x = 0;
    int m_y = 0;
};

// The lParam of WM_INFOTIP_SHOWAT for the screen point (x, y), each kept as a signed 16-bit value.
constexpr LPARAM MakeInfoTipPosition(int x, int y) {
    return static_cast<LPARAM>((static_cast<DWORD>(x & 0xFFFF) << 16) | (y & 0xFFFF));
}
