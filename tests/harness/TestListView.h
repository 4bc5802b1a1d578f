#pragma once
// The list-view host (ListViewHost.h) for tests on the view's thread, with what they ask of it.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "harness/ListViewHost.h"

class CTestListView {
  public:
    // style: LVS_REPORT, LVS_LIST or LVS_ICON. title names the top-level window for xdotool.
    // Only a visible window receives real input; destroying one costs Wine about 2 seconds on
    // a display without a window manager, so windows are hidden unless a test types into them.
    CTestListView(const std::vector<std::wstring>& names, DWORD style = LVS_REPORT,
                  const std::wstring& title = L"Skimvue test list", bool visible = false);
    ~CTestListView() = default;
    CTestListView(const CTestListView&) = delete;
    CTestListView& operator=(const CTestListView&) = delete;

    HWND Frame() const { return m_host.Frame(); }
    HWND List() const { return m_host.List(); }

    std::vector<int> SelectedItems() const;
    int FocusedItem() const;
    bool IsItemFullyVisible(int index) const;
    void ClearSelection();
    void ClearReceived() { m_received.clear(); }

    // The key, destroy, item-state and private messages the list view's previous procedure
    // received, for pass-through checks.
    struct Received {
        UINT m_message;
        WPARAM m_wParam;
        LPARAM m_lParam;
    };
    std::vector<Received> m_received;
    bool HasReceived(UINT message, WPARAM wParam) const;

  private:
    static LRESULT CALLBACK RecordingProc(HWND, UINT, WPARAM, LPARAM);
    CListViewHost m_host;
    HWND m_list;
    WNDPROC m_listProc = nullptr;
};
