#pragma once
// Real keyboard and mouse input for Windows tests under Wine: xdotool on the test display, run
// from inside the test program while its own thread keeps pumping messages.
#include <windows.h>

#include <string>

// Runs xdotool with args (for example L"key --delay 50 alt+n") while this thread handles the
// input as it arrives; true when xdotool could be started.
bool Xdotool(const std::wstring& args);

// Activates and focuses the top-level window whose title is title (ASCII, unique).
bool FocusWindowByTitle(const std::wstring& title);

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
