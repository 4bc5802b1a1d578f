// The demo window of the run command: a list view over the files of a folder.
//   skimvue_demo --folder PATH
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/UniqueHandle.h"

namespace {

std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE first = FindFirstFileW((folder + L"\\*").c_str(), &data);
    const unique_hfind find(first == INVALID_HANDLE_VALUE ? nullptr : first);
    if (!find) {
        return names;
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(data.cFileName);
        }
    } while (FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (HWND list = GetWindow(window, GW_CHILD)) {
            MoveWindow(list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetWindow(window, GW_CHILD));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Fill(HWND list, const std::vector<std::wstring>& names) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 380;
    column.pszText = const_cast<wchar_t*>(L"\u540d\u524d");
    ListView_InsertColumn(list, 0, &column);
    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(names[i].c_str());
        ListView_InsertItem(list, &item);
    }
}

std::wstring FolderArgument() {
    int argc = 0;
    const unique_argv args(CommandLineToArgvW(GetCommandLineW(), &argc));
    LPWSTR* argv = args.get();
    std::wstring folder = L".";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wstring(argv[i]) == L"--folder") {
            folder = argv[i + 1];
        }
    }
    return folder;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"SkimvueDemoFrame";
    RegisterClassW(&wc);
    HWND frame =
        CreateWindowExW(0, wc.lpszClassName, L"Skimvue demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                        40, 440, 420, nullptr, nullptr, instance, nullptr);
    HWND list =
        CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | WS_TABSTOP, 0, 0,
                        440, 420, frame, nullptr, instance, nullptr);
    Fill(list, FileNames(FolderArgument()));
    SetFocus(list);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
