#include "ui/Dpi.h"

#include "support/SystemEntryPoint.h"
#include "support/UniqueHandle.h"

namespace {

// MDT_EFFECTIVE_DPI of shellscalingapi.h: the DPI the user's scale setting asks for.
constexpr int kEffectiveDpi = 0;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

} // namespace

UINT SystemDpi() {
    const unique_hdc_window screen(nullptr, GetDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT DpiOfWindow(HWND hWnd) {
    static const auto getDpiForWindow =
        FindSystemEntryPoint<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpiForWindow != nullptr && hWnd != nullptr ? getDpiForWindow(hWnd) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}

UINT DpiAtPoint(POINT pt) {
    static const auto getDpiForMonitor =
        FindSystemEntryPoint<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (getDpiForMonitor == nullptr ||
        FAILED(getDpiForMonitor(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), kEffectiveDpi,
                                &dpiX, &dpiY)) ||
        dpiY == 0) {
        return SystemDpi();
    }
    return dpiY;
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const auto getSystemMetricsForDpi =
        FindSystemEntryPoint<GetSystemMetricsForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi != nullptr) {
        return getSystemMetricsForDpi(index, dpi);
    }
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

HICON LoadIconForDpi(HINSTANCE module, int id, int metric, UINT dpi) {
    const int size = SystemMetricForDpi(metric, dpi);
    return static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}
