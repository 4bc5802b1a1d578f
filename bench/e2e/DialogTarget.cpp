// The benchmark's file-dialog target: a program that shows Wine's Explorer-style Open dialog
// (GetOpenFileNameW with OFN_EXPLORER, a real shell32 view) over a folder, until it is closed
// or the program is ended.
//   skimvue_bench_dialog --folder DIR --title T
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>

#include "support/UniqueHandle.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring folder;
    std::wstring title = L"Skimvue bench dialog";
    int argc = 0;
    const unique_argv args(CommandLineToArgvW(GetCommandLineW(), &argc));
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = args.get()[i];
        if (name == L"--folder") {
            folder = args.get()[i + 1];
        } else if (name == L"--title") {
            title = args.get()[i + 1];
        }
    }
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW open{};
    open.lStructSize = sizeof(open);
    open.lpstrFilter = L"*.*\0*.*\0";
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.lpstrInitialDir = folder.c_str();
    open.lpstrTitle = title.c_str();
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
    return GetOpenFileNameW(&open) ? 0 : 1;
}
