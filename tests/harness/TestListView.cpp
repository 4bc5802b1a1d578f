#include "harness/TestListView.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr wchar_t kFrameClass[] = L"SkimvueTestFrame";

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        if (HWND list = GetWindow(window, GW_CHILD)) {
            MoveWindow(list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterFrameClass() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSW wc{};
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kFrameClass;
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
}

} // namespace

CTestListView::CTestListView(const std::vector<std::wstring>& names, DWORD style,
                             const std::wstring& title, bool visible) {
    RegisterFrameClass();
    m_frame.reset(CreateWindowExW(0, kFrameClass, title.c_str(),
                                  WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40, 480,
                                  360, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    RECT client{};
    GetClientRect(m_frame.get(), &client);
    m_list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0,
                             client.right, client.bottom, m_frame.get(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (style == LVS_REPORT) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 400;
        column.pszText = const_cast<wchar_t*>(L"Name");
        ListView_InsertColumn(m_list, 0, &column);
    }
    SetWindowLongPtrW(m_list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
    SetNames(names);
    SetForegroundWindow(m_frame.get());
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

void CTestListView::SetNames(const std::vector<std::wstring>& names) {
    ListView_DeleteAllItems(m_list);
    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(names[i].c_str());
        ListView_InsertItem(m_list, &item);
    }
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
