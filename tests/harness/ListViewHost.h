#pragma once
// The list-view host of the demo, the benchmarks' target programs and the Windows tests: a
// top-level frame holding one real comctl32 list view that fills it.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "support/UniqueHandle.h"

struct ListViewHostLook {
    // The frame's class, registered on first use with a procedure that keeps the list view
    // filling the frame and hands it the focus; every other message goes to m_frameProc.
    std::wstring m_frameClass = L"SkimvueListHost";
    WNDPROC m_frameProc = DefWindowProcW;
    std::wstring m_title;
    // The frame's rectangle on the screen.
    RECT m_bounds{40, 40, 520, 400};
    // With WS_VISIBLE the list view also takes the focus.
    DWORD m_frameStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    HWND m_owner = nullptr;
    // LVS_REPORT, LVS_LIST or LVS_ICON with any further LVS_ flags; the list view is always a
    // visible tab stop.
    DWORD m_listStyle = LVS_REPORT;
    // The report style's one column.
    std::wstring m_column = L"Name";
    int m_columnWidth = 300;
};

struct ListViewHost {
    HWND m_frame = nullptr;
    HWND m_list = nullptr;
};

// Creates the frame and its list view of names, the item selected unless -1 is selected and
// focused. Both null when the frame cannot be created; the frame is the caller's to destroy.
ListViewHost CreateListViewHost(const ListViewHostLook& look,
                                const std::vector<std::wstring>& names = {}, int selected = -1);

// Replaces the list view's items by names, drawn once at the end: a list view drawn after each
// insertion takes minutes to fill with 100,000 names.
void SetListNames(HWND list, const std::vector<std::wstring>& names);

// Dispatches this thread's messages until WM_QUIT; returns its exit code.
int RunMessageLoop();

// A host whose frame goes with the object.
class CListViewHost {
  public:
    explicit CListViewHost(const ListViewHostLook& look,
                           const std::vector<std::wstring>& names = {}, int selected = -1);
    HWND Frame() const { return m_frame.get(); }
    HWND List() const { return m_list; }

  private:
    explicit CListViewHost(ListViewHost host) : m_frame(host.m_frame), m_list(host.m_list) {}
    unique_hwnd m_frame;
    HWND m_list;
};
