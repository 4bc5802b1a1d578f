#pragma once
// Real windows for the user-interface tests: plain top-level windows and a list-view host.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "harness/ListViewHost.h"
#include "support/UniqueHandle.h"

// A visible top-level window of the calling thread, destroyed with the object.
unique_hwnd CreateTopWindow(const std::wstring& title, RECT bounds);

// A shown list-view host of report style with items, as a view the search works in, drawn
// before it is returned.
std::unique_ptr<CListViewHost> CreateShownHost(const std::wstring& title,
                                               const std::vector<std::wstring>& items);
// Screen rectangle of the label of the list view's item.
RECT ItemScreenRect(HWND list, int index);

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
