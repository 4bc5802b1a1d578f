#pragma once
// Sizes for the DPI of the monitor a window is on. Every value is in the calling thread's DPI
// awareness: a host that is not DPI aware sees 96 everywhere and the system stretches its
// windows. Telling monitors apart needs Windows 8.1 (GetDpiForMonitor) and Windows 10 1607
// (GetDpiForWindow, GetSystemMetricsForDpi); without them the system DPI serves.
#include <windows.h>

constexpr UINT kDefaultDpi = USER_DEFAULT_SCREEN_DPI;

// The DPI the system's metrics and fonts are given in.
UINT SystemDpi();
UINT DpiOfWindow(HWND hWnd);
// The DPI of the monitor nearest to a screen point.
UINT DpiAtPoint(POINT pt);
// GetSystemMetrics(index) as it is at dpi.
int SystemMetricForDpi(int index, UINT dpi);
// Icon id of module at the size that metric (SM_CXSMICON or SM_CXICON) has at dpi; null when
// it cannot be loaded. The caller destroys it.
HICON LoadIconForDpi(HINSTANCE module, int id, int metric, UINT dpi);
