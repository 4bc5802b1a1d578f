#pragma once
// Key messages of an attached window, handed to the key logic (search/KeyHandler.h) with the
// system's answers about keys, time and the input method editor.
#include <windows.h>

#include <optional>

#include "search/KeyHandler.h"

// What a key message came to.
struct KeyOutcome {
    // Set: the message is consumed with this result; none: it goes on to the window's previous
    // procedure.
    std::optional<LRESULT> m_result;
    // See KeyHandling::m_askForText.
    bool m_askForText = false;
};

// Handles WM_KEYDOWN, WM_CHAR and WM_SYSKEYDOWN of an attached window.
KeyOutcome HandleKeyMessage(HWND window, SearchCore& state, UINT message, WPARAM wParam,
                            LPARAM lParam);

// 0 when the window's input method editor was closed, -1 when closing failed.
int CloseIme(HWND window);

// Character classes of typed text, independent of any C runtime locale: letters, digits and
// punctuation are graphic; letters are stored lower case (beyond ASCII once Migemo has loaded,
// as the Japanese character-type rules would have it).
bool IsGraphicCharacter(wchar_t c);
wchar_t FoldTypedCharacter(wchar_t c);
