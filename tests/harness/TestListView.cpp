#include "harness/TestListView.h"

#include <commctrl.h>

#include <algorithm>

namespace {

ListViewHostLook TestLook(DWORD style, const std::wstring& title, bool visible) {
    ListViewHostLook look;
    look.m_frameClass = L"SkimvueTestFrame";
    look.m_title = title;
    look.m_frameStyle = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0);
    look.m_listStyle = style;
    look.m_columnWidth = 400;
    return look;
}

} // namespace

CTestListView::CTestListView(const std::vector<std::wstring>& names, DWORD style,
                             const std::wstring& title, bool visible)
    : m_host(TestLook(style, title, visible), names), m_list(m_host.List()) {
    SetWindowLongPtrW(m_list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
    SetForegroundWindow(Frame());
    SetFocus(m_list);
}

LRESULT CALLBACK CTestListView::RecordingProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = reinterpret_cast<CTestListView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_SYSKEYDOWN ||
        message == WM_SYSCHAR || message == WM_IME_CHAR || message == WM_IME_COMPOSITION ||
        message == WM_DESTROY || message == LVM_SETITEMSTATE || message >= WM_APP) {
        self->m_received.push_back({message, wParam, lParam});
    }
    return CallWindowProcW(self->m_listProc, window, message, wParam, lParam);
}

bool CTestListView::HasReceived(UINT message, WPARAM wParam) const {
    return std::any_of(m_received.begin(), m_received.end(), [&](const Received& r) {
        return r.m_message == message && r.m_wParam == wParam;
    });
}

std::vector<int> CTestListView::SelectedItems() const {
    std::vector<int> selected;
    for (int i = ListView_GetNextItem(m_list, -1, LVNI_SELECTED); i != -1;
         i = ListView_GetNextItem(m_list, i, LVNI_SELECTED)) {
        selected.push_back(i);
    }
    return selected;
}

int CTestListView::FocusedItem() const {
    return ListView_GetNextItem(m_list, -1, LVNI_FOCUSED);
}

bool CTestListView::IsItemFullyVisible(int index) const {
    RECT item{};
    RECT client{};
    ListView_GetItemRect(m_list, index, &item, LVIR_BOUNDS);
    GetClientRect(m_list, &client);
    if (HWND header = ListView_GetHeader(m_list); header && IsWindowVisible(header)) {
        RECT headerRect{};
        GetWindowRect(header, &headerRect);
        client.top += headerRect.bottom - headerRect.top;
    }
    return item.top >= client.top && item.bottom <= client.bottom && item.left >= client.left &&
           item.right <= client.right + 1;
}

void CTestListView::ClearSelection() {
    ListView_SetItemState(m_list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}
