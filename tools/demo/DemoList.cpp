// The demo window of the run command: a list view over the files of a folder.
//   skimvue_demo --folder PATH
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/ListViewHost.h"
#include "support/UniqueHandle.h"

namespace {

std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const unique_hfind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
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
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
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

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ListViewHostLook look;
    look.m_frameClass = L"SkimvueDemoFrame";
    look.m_frameProc = FrameProc;
    look.m_title = L"Skimvue demo";
    look.m_bounds = RECT{40, 40, 480, 460};
    look.m_column = L"\u540d\u524d";
    look.m_columnWidth = 380;
    CreateListViewHost(look, FileNames(FolderArgument()));
    return RunMessageLoop();
}
