#pragma once
// Real windows for the user-interface tests: plain top-level windows and a list view host.
#include <windows.h>

#include <string>
#include <vector>

#include "support/UniqueHandle.h"

// A visible top-level window of the calling thread, destroyed with the object.
unique_hwnd CreateTopWindow(const std::wstring& title, RECT bounds);

// A top-level window with a report-style list view filling it, as a view the search works in.
class CListViewHost {
  public:
    CListViewHost(const std::wstring& title, const std::vector<std::wstring>& items);
    HWND Frame() const { return m_hFrame.get(); }
    HWND ListView() const { return m_hListView; }
    // Screen rectangle of the item's label.
    RECT ItemScreenRect(int index) const;

  private:
    unique_hwnd m_hFrame;
    HWND m_hListView = nullptr;
};

// Saves the whole test display as a PNG under the build tree's screenshots folder and returns
// its Windows path, or an empty string when the screenshot failed.
std::wstring SaveScreenshot(const std::wstring& fileName);

// Screen rectangle of a window.
RECT WindowRect(HWND window);

// A window's device context (the screen's for null).
inline unique_hdc_window WindowDC(HWND window) {
    return unique_hdc_window(window, GetDC(window));
}

// The extent DrawTextW gives text in the system's status-bar font, with format (DT_CALCRECT
// added).
RECT StatusFontTextExtent(const std::wstring& text, UINT format = 0);
