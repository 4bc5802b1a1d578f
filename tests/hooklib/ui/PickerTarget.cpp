// A window in a process of its own for the window picker's tests:
//   skimvue_picker_target CLASS X Y WIDTH HEIGHT
// shows a white top-level window of class CLASS at that place until it is closed.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

LRESULT CALLBACK TargetProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        return 2;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = argv[1];
    RegisterClassW(&windowClass);
    HWND hWnd = CreateWindowExW(0, argv[1], L"picker target", WS_POPUP | WS_VISIBLE, _wtoi(argv[2]),
                                _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (hWnd == nullptr) {
        return 3;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}
