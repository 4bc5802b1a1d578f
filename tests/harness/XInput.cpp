#include "harness/XInput.h"

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

bool Xdotool(const std::wstring& args) {
    // Wine starts a Unix program when CreateProcess is given its path.
    std::wstring commandLine = L"Z:\\usr\\bin\\xdotool " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    unique_handle process(info.hProcess);
    unique_handle thread(info.hThread);
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > 20000) {
            TerminateProcess(process.get(), 1);
            return false;
        }
        PumpMessagesFor(10);
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    // Let the input that X delivered reach this thread's queue and be handled.
    PumpMessagesFor(100);
    return exitCode == 0;
}

bool FocusWindowByTitle(const std::wstring& title) {
    const std::wstring search = L"search --sync --limit 1 --name \"^" + title + L"$\" ";
    return Xdotool(search + L"windowactivate --sync") && Xdotool(search + L"windowfocus --sync");
}
