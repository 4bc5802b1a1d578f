#include "harness/ListViewHost.h"

namespace {

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (message == WM_SIZE || message == WM_SETFOCUS) {
        if (HWND list = FindWindowExW(frame, nullptr, WC_LISTVIEWW, nullptr)) {
            if (message == WM_SIZE) {
                MoveWindow(list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            } else {
                SetFocus(list);
            }
            return 0;
        }
    }
    // Messages sent before WM_NCCREATE (WM_GETMINMAXINFO) find no procedure yet.
    const auto next = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(frame, GWLP_USERDATA));
    return next != nullptr ? CallWindowProcW(next, frame, message, wParam, lParam)
                           : DefWindowProcW(frame, message, wParam, lParam);
}

HWND CreateFrame(const ListViewHostLook& look) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = look.m_frameClass.c_str();
    // Fails harmlessly once the class is registered.
    RegisterClassW(&wc);
    const RECT& bounds = look.m_bounds;
    return CreateWindowExW(0, wc.lpszClassName, look.m_title.c_str(), look.m_frameStyle,
                           bounds.left, bounds.top, bounds.right - bounds.left,
                           bounds.bottom - bounds.top, look.m_owner, nullptr, wc.hInstance,
                           reinterpret_cast<void*>(look.m_frameProc));
}

HWND CreateList(HWND frame, const ListViewHostLook& look) {
    RECT client{};
    GetClientRect(frame, &client);
    HWND list = CreateWindowExW(
        0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | look.m_listStyle, 0, 0,
        client.right, client.bottom, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    if ((look.m_listStyle & LVS_TYPEMASK) == LVS_REPORT) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = look.m_columnWidth;
        column.pszText = const_cast<wchar_t*>(look.m_column.c_str());
        ListView_InsertColumn(list, 0, &column);
    }
    return list;
}

} // namespace

ListViewHost CreateListViewHost(const ListViewHostLook& look,
                                const std::vector<std::wstring>& names, int selected) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    ListViewHost host;
    host.m_frame = CreateFrame(look);
    if (host.m_frame == nullptr) {
        return host;
    }
    host.m_list = CreateList(host.m_frame, look);
    SetListNames(host.m_list, names);
    if (selected >= 0) {
        ListView_SetItemState(host.m_list, selected, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    if ((look.m_frameStyle & WS_VISIBLE) != 0) {
        SetFocus(host.m_list);
    }
    return host;
}

void SetListNames(HWND list, const std::vector<std::wstring>& names) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    ListView_SetItemCount(list, static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(names[i].c_str());
        ListView_InsertItem(list, &item);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

int RunMessageLoop() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

CListViewHost::CListViewHost(const ListViewHostLook& look, const std::vector<std::wstring>& names,
                             int selected)
    : CListViewHost(CreateListViewHost(look, names, selected)) {}
