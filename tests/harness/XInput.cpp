#include "harness/XInput.h"

#include <atomic>
#include <thread>

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

// Wine runs a Unix program started by CreateProcess to its end before that call returns, and
// it reads the modifier state when it handles a key event, not when the key was pressed. So
// xdotool runs on a helper thread while this thread handles each key as it arrives.
bool RunXdotool(const std::wstring& args) {
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
    WaitForSingleObject(process.get(), 20000);
    return true;
}

} // namespace

bool Xdotool(const std::wstring& args) {
    std::atomic<bool> done{false};
    bool started = false;
    std::thread runner([&] {
        started = RunXdotool(args);
        done = true;
    });
    while (!done) {
        PumpMessagesFor(5);
    }
    runner.join();
    // Events that X delivered last still have to reach this thread's queue.
    PumpMessagesFor(150);
    return started;
}

bool FocusWindowByTitle(const std::wstring& title) {
    // There is no window manager on the test display: focusing is all X offers.
    return Xdotool(L"search --sync --limit 1 --name \"^" + title + L"$\" windowfocus --sync");
}
