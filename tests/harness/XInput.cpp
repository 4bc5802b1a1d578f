#include "harness/XInput.h"

#include <memory>

#include "harness/WinTestSupport.h"
#include "support/UniqueHandle.h"

void PumpMessagesFor(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

namespace {

// A fresh file name for the exit status of one Unix program run.
std::wstring StatusFilePath() {
    static LONG s_nRun = 0;
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"skimvue-unix-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(InterlockedIncrement(&s_nRun)) + L".status";
}

// Quotes text as one argument of a Windows command line (it holds no backslashes).
std::wstring QuoteArgument(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        quoted += c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, c);
    }
    return quoted + L"\"";
}

// Pumps messages until the status file appears; its content is the program's exit status.
bool WaitForStatus(const std::wstring& statusFile) {
    const bool done = PumpUntil(
        [&] { return GetFileAttributesW(statusFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    if (!done) {
        return false;
    }
    const std::string status = ReadFileBytes(statusFile);
    DeleteFileW(statusFile.c_str());
    return status == "0\n";
}

} // namespace

bool RunUnixProgram(const std::wstring& unixPath, const std::wstring& args) {
    // Wine starts a Unix program when CreateProcess is given its path on the Z: drive, but hands
    // back no process handle to wait on: a shell writes the exit status to a file instead,
    // renamed into place so the file appears complete.
    const std::wstring statusFile = StatusFilePath();
    const std::wstring unixStatus = UnixPath(statusFile);
    if (unixStatus.empty()) {
        return false;
    }
    const std::wstring script = unixPath + L" " + args + L"; echo $? >'" + unixStatus +
                                L".part' && mv '" + unixStatus + L".part' '" + unixStatus + L"'";
    std::wstring commandLine = L"Z:\\bin\\sh -c " + QuoteArgument(script);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    unique_handle process(info.hProcess);
    unique_handle thread(info.hThread);
    const bool succeeded = WaitForStatus(statusFile);
    // Let the input that X delivered reach this thread's queue and be handled.
    PumpMessagesFor(100);
    return succeeded;
}

bool Xdotool(const std::wstring& args) {
    return RunUnixProgram(L"/usr/bin/xdotool", args);
}

namespace {

// Makes window the foreground window and returns xdotool's command that gives its X window the
// keyboard focus; empty when the window has none.
std::wstring ForegroundAndFocusCommand(HWND window) {
    // Wine keeps the X window of each top-level window in this property.
    const auto xWindow = reinterpret_cast<UINT_PTR>(GetPropW(window, L"__wine_x11_whole_window"));
    if (xWindow == 0) {
        return {};
    }
    SetForegroundWindow(window);
    return L"windowfocus --sync " + std::to_wstring(xWindow);
}

} // namespace

bool FocusWindow(HWND window) {
    const std::wstring focus = ForegroundAndFocusCommand(window);
    return !focus.empty() && Xdotool(focus);
}

bool TypeIntoWindow(HWND window, const std::wstring& text, DWORD delayMs) {
    const std::wstring focus = ForegroundAndFocusCommand(window);
    return !focus.empty() &&
           Xdotool(focus + L" type --delay " + std::to_wstring(delayMs) + L" " + text);
}

bool FocusWindowByTitle(const std::wstring& title) {
    HWND window = FindWindowW(nullptr, title.c_str());
    return window != nullptr && FocusWindow(window);
}

bool ClickAt(POINT point) {
    return Xdotool(L"mousemove --sync " + std::to_wstring(point.x) + L" " +
                   std::to_wstring(point.y) + L" click 1");
}

std::wstring UnixPath(const std::wstring& windowsPath) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return {};
    }
    const auto freeHeap = [](char* p) { HeapFree(GetProcessHeap(), 0, p); };
    const std::unique_ptr<char, decltype(freeHeap)> unixPath(toUnix(windowsPath.c_str()), freeHeap);
    if (!unixPath) {
        return {};
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, unixPath.get(), -1, nullptr, 0);
    std::wstring result(length > 0 ? length - 1 : 0, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, unixPath.get(), -1, result.data(), length);
    return result;
}
