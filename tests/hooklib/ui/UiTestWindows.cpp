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

std::unique_ptr<CListViewHost> CreateShownHost(const std::wstring& title,
                                               const std::vector<std::wstring>& items) {
    ListViewHostLook look;
    look.m_title = title;
    look.m_bounds = RECT{100, 100, 560, 420};
    look.m_column = L"名前";
    auto host = std::make_unique<CListViewHost>(look, items);
    PumpMessagesFor(50);
    return host;
}

RECT ItemScreenRect(HWND list, int index) {
    RECT rect{};
    ListView_GetItemRect(list, index, &rect, LVIR_LABEL);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
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
