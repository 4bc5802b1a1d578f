#pragma once
// Real keyboard and mouse input for Windows tests under Wine: xdotool on the test display, run
// from inside the test program while its own thread keeps pumping messages.
#include <windows.h>

#include <string>

// Runs the Unix program at unixPath with args on the test display while this thread keeps
// pumping messages; true when it exited with 0.
bool RunUnixProgram(const std::wstring& unixPath, const std::wstring& args);

// Runs xdotool with args (for example L"key --delay 50 alt+n"); true when it exited with 0.
bool Xdotool(const std::wstring& args);

// Makes window (of any process) the foreground window and gives its X window the keyboard focus.
// Works without a window manager, where xdotool's windowactivate has nothing to ask.
bool FocusWindow(HWND window);

// Focuses window as FocusWindow does and types text there, delayMs between keys, in one run of
// xdotool.
bool TypeIntoWindow(HWND window, const std::wstring& text, DWORD delayMs);

// Focuses the top-level window whose title is title (unique) as FocusWindow does.
bool FocusWindowByTitle(const std::wstring& title);

// Moves the pointer to the screen point and clicks the left button there.
bool ClickAt(POINT point);

// The Unix path of a path on Wine's drives (for the Unix programs run above).
std::wstring UnixPath(const std::wstring& windowsPath);

// Dispatches this thread's messages for ms milliseconds.
void PumpMessagesFor(DWORD ms);

// Pumps messages until condition() holds or timeoutMs passes; returns condition().
template <class Condition> bool PumpUntil(Condition condition, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return condition();
        }
        PumpMessagesFor(10);
    }
    return true;
}
