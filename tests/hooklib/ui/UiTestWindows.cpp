#include "UiTestWindows.h"

#include <commctrl.h>

#include "harness/WinTestSupport.h"
#include "harness/XInput.h"

namespace {

constexpr wchar_t kFrameClass[] = L"SkimvueUiTestFrame";

void RegisterFrameClass() {
    WNDCLASSW frameClass{};
    frameClass.lpfnWndProc = DefWindowProcW;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    frameClass.lpszClassName = kFrameClass;
    // Registered by the first window of the process; later calls fail harmlessly.
    RegisterClassW(&frameClass);
}

} // namespace

unique_hwnd CreateTopWindow(const std::wstring& title, RECT bounds) {
    RegisterFrameClass();
    unique_hwnd window(CreateWindowExW(0, kFrameClass, title.c_str(),
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, bounds.left, bounds.top,
                                       bounds.right - bounds.left, bounds.bottom - bounds.top,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    PumpMessagesFor(50);
    return window;
}

CListViewHost::CListViewHost(const std::wstring& title, const std::vector<std::wstring>& items)
    : m_hFrame(CreateTopWindow(title, RECT{100, 100, 560, 420})) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RECT client{};
    GetClientRect(Frame(), &client);
    m_hListView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                  client.right, client.bottom, Frame(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 300;
    column.pszText = const_cast<wchar_t*>(L"名前");
    ListView_InsertColumn(m_hListView, 0, &column);
    for (size_t i = 0; i < items.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(items[i].c_str());
        ListView_InsertItem(m_hListView, &item);
    }
    PumpMessagesFor(50);
}

RECT CListViewHost::ItemScreenRect(int index) const {
    RECT rect{};
    ListView_GetItemRect(m_hListView, index, &rect, LVIR_LABEL);
    MapWindowPoints(m_hListView, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring SaveScreenshot(const std::wstring& fileName) {
    const std::wstring folder = BinDir() + L"\\..\\screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + fileName;
    DeleteFileW(path.c_str());
    const std::wstring unixPath = UnixPath(path);
    if (unixPath.empty() || !RunUnixProgram(L"/usr/bin/import", L"-window root " + unixPath)) {
        return {};
    }
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : path;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT StatusFontTextExtent(const std::wstring& text, UINT format) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);
    unique_hfont font(CreateFontIndirectW(&metrics.lfStatusFont));
    const unique_hdc_window screen = WindowDC(nullptr);
    const unique_select_object selected = SelectObjectFor(screen.get(), font.get());
    RECT extent{};
    DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &extent,
              DT_CALCRECT | format);
    return extent;
}
