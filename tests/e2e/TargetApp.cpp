// A program of known windows for the end-to-end tests, run in its own process:
//   skimvue_target [--title T] [--class C] [--owner]
// It shows one top-level window of class C (default "SkimvueTargetFrame") titled T with a list
// view of known file names. With --owner the window is owned by a hidden window of class
// "SkimvueTargetOwner". The title gains "+" for every character the list view itself receives,
// so a test can tell from outside whether typed characters reached the control, and the frame's
// property "SkimvueAttached" is 1 while something else has subclassed the list view on top of
// the program's own procedure (another process cannot read a window's procedure). Its property
// "SkimvueAttachOffers" counts the attach handshakes that reached the list view.
// With --exit-log FILE, the message kExitNow (WM_APP+60) makes the program call ExitProcess with
// wParam as its code at once, and every message sent on its thread from then on is written to
// FILE: a library loaded into it has nothing to send to any window while the process exits.
// With --file-dialog DIR the frame opens the system's Open dialog over DIR at once, and again
// whenever it receives kOpenFileDialog (WM_APP+61) after the last one closed. The item window of
// each dialog's shell view is timed in the program itself, from its creation to the end of the
// first attach handshake it answers, and to the dialog's first idle moment (its queue empty, so
// any key typed before has been handled): the frame's properties "SkimvueAttachDelayUs" and
// "SkimvueDialogIdleUs" hold those times in microseconds, plus one (none while not yet known).
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "harness/ListViewHost.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"

namespace {

const std::vector<std::wstring> kNames{L"alpha.txt",
                                       L"beta.txt",
                                       L"gamma.txt",
                                       L"alpine.doc",
                                       L"\u691c\u7d22\u7d50\u679c.txt",
                                       L"\u65e5\u672c\u8a9e.md",
                                       L"alps.txt"};

WNDPROC ListOriginalProc = nullptr;
std::wstring Title = L"Skimvue target";
int CharsSeen = 0;
int AttachOffers = 0;
constexpr UINT kExitNow = WM_APP + 60;
constexpr UINT kOpenFileDialog = WM_APP + 61;
unique_hfile ExitLog;
std::wstring FileDialogDir;
HWND Frame = nullptr;
// The shell view's item window and the counter's value when it was created.
HWND ViewItems = nullptr;
LARGE_INTEGER ViewCreated{};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The window is being created: its class and parent are known already.
LRESULT CALLBACK CreationWatch(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && ViewItems == nullptr) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        const auto window = reinterpret_cast<HWND>(wParam);
        if (ClassOf(window) == L"SysListView32" &&
            ClassOf(create->lpcs->hwndParent) == L"SHELLDLL_DefView") {
            QueryPerformanceCounter(&ViewCreated);
            ViewItems = window;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Microseconds since the view's item window was created, plus one, into the frame's property
// name unless it holds a time already.
void StampSinceViewCreated(const wchar_t* name) {
    if (ViewItems == nullptr || GetPropW(Frame, name) != nullptr) {
        return;
    }
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    const LONGLONG us = (now.QuadPart - ViewCreated.QuadPart) * 1000000 / frequency.QuadPart;
    SetPropW(Frame, name, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(us + 1)));
}

// After the window procedure: the library's own hook, which runs before it, has attached by then.
LRESULT CALLBACK AttachWatch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == ViewItems && sent->message == WM_HOOK_ATTACH_EXPLORER) {
        StampSinceViewCreated(L"SkimvueAttachDelayUs");
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void OpenFileDialog(HWND owner) {
    ViewItems = nullptr;
    RemovePropW(owner, L"SkimvueAttachDelayUs");
    RemovePropW(owner, L"SkimvueDialogIdleUs");
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW open{};
    open.lStructSize = sizeof(open);
    open.hwndOwner = owner;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.lpstrInitialDir = FileDialogDir.c_str();
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
    GetOpenFileNameW(&open);
}

LRESULT CALLBACK ExitWatch(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        char line[64];
        const int length = wsprintfA(line, "message 0x%04X to %p\r\n", sent->message, sent->hwnd);
        DWORD written = 0;
        WriteFile(ExitLog.get(), line, static_cast<DWORD>(length), &written, nullptr);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ExitNow(UINT exitCode) {
    if (ExitLog) {
        SetWindowsHookExW(WH_CALLWNDPROC, ExitWatch, nullptr, GetCurrentThreadId());
    }
    ExitProcess(exitCode);
}

void OpenExitLog(const wchar_t* path) {
    ExitLog.reset(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
}

LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        ++CharsSeen;
        SetWindowTextW(GetParent(window), (Title + L" " + std::wstring(CharsSeen, L'+')).c_str());
    }
    if (message == WM_HOOK_ATTACH_LISTVIEW || message == WM_HOOK_ATTACH_EXPLORER) {
        SetPropW(GetParent(window), L"SkimvueAttachOffers",
                 reinterpret_cast<HANDLE>(static_cast<INT_PTR>(++AttachOffers)));
    }
    return CallWindowProcW(ListOriginalProc, window, message, wParam, lParam);
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (HWND list = GetWindow(window, GW_CHILD)) {
            const bool attached =
                GetWindowLongPtrW(list, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ListProc);
            SetPropW(window, L"SkimvueAttached",
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(attached)));
        }
        return 0;
    case kExitNow:
        ExitNow(static_cast<UINT>(wParam));
        return 0;
    case kOpenFileDialog:
        OpenFileDialog(window);
        return 0;
    case WM_ENTERIDLE:
        // The dialog's loop found its queue empty for the first time: its set-up is over.
        StampSinceViewCreated(L"SkimvueDialogIdleUs");
        return 0;
    case WM_DESTROY:
        RemovePropW(window, L"SkimvueAttached");
        RemovePropW(window, L"SkimvueAttachOffers");
        RemovePropW(window, L"SkimvueAttachDelayUs");
        RemovePropW(window, L"SkimvueDialogIdleUs");
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

ListViewHostLook TargetLook(const std::wstring& className, HWND owner) {
    ListViewHostLook look;
    look.m_frameClass = className;
    look.m_frameProc = FrameProc;
    look.m_bounds = RECT{60, 60, 480, 380};
    // An owned window is a popup, so its root owner is the owner (GetParent leads there).
    look.m_frameStyle =
        (owner != nullptr ? WS_POPUPWINDOW | WS_CAPTION | WS_THICKFRAME : WS_OVERLAPPEDWINDOW) |
        WS_VISIBLE;
    look.m_owner = owner;
    return look;
}

HWND CreateOwner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkimvueTargetOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring className = L"SkimvueTargetFrame";
    bool owned = false;
    int argc = 0;
    const unique_argv args(CommandLineToArgvW(GetCommandLineW(), &argc));
    LPWSTR* argv = args.get();
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--title" && i + 1 < argc) {
            Title = argv[++i];
        } else if (arg == L"--class" && i + 1 < argc) {
            className = argv[++i];
        } else if (arg == L"--owner") {
            owned = true;
        } else if (arg == L"--exit-log" && i + 1 < argc) {
            OpenExitLog(argv[++i]);
        } else if (arg == L"--file-dialog" && i + 1 < argc) {
            FileDialogDir = argv[++i];
        }
    }
    // The title comes last, so a test that finds the window by it finds it ready.
    const ListViewHost host =
        CreateListViewHost(TargetLook(className, owned ? CreateOwner() : nullptr), kNames);
    ListOriginalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(host.m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    Frame = host.m_frame;
    SetTimer(Frame, 1, 50, nullptr);
    SetWindowTextW(Frame, Title.c_str());
    if (!FileDialogDir.empty()) {
        SetWindowsHookExW(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId());
        SetWindowsHookExW(WH_CALLWNDPROCRET, AttachWatch, nullptr, GetCurrentThreadId());
        PostMessageW(Frame, kOpenFileDialog, 0, 0);
    }
    return RunMessageLoop();
}
