#pragma once
// Keys typed into an attached window: characters build the search text and run the search,
// a pause or Escape starts afresh, and the key bindings move through the candidates.
#include <windows.h>

#include <optional>
#include <string>

struct SearchCore;

// What a key message came to.
struct KeyOutcome {
    // Set: the message is consumed with this result; none: it goes on to the window's previous
    // procedure.
    std::optional<LRESULT> m_result;
    // The input-dialog binding was pressed: the search text has started afresh, and the window's
    // owner asks for a whole text (the input dialog) and hands it to SearchWholeText.
    bool m_askForText = false;
};

// Handles WM_KEYDOWN, WM_CHAR and WM_SYSKEYDOWN of an attached window.
KeyOutcome HandleKeyMessage(HWND window, SearchCore& state, UINT message, WPARAM wParam,
                            LPARAM lParam);

// Searches a text typed as a whole: with the plain pattern alone, from its first character.
void SearchWholeText(SearchCore& state, const std::wstring& text);

// A new search text: clears it, reads the view's item names afresh and tells the state
// (OnReset). keyTime (GetTickCount's clock) is when the key that caused it was typed; pauses
// count from there.
void ResetSearch(SearchCore& state, DWORD keyTime);

// 0 when the window's input method editor was closed, -1 when closing failed.
int CloseIme(HWND window);

// Character classes of typed text, independent of any C runtime locale: graphic characters
// are taken, letters are stored lower case (beyond ASCII once Migemo has loaded, as the
// Japanese character-type rules would have it).
bool IsTakenCharacter(wchar_t c, bool textEmpty);
wchar_t FoldTypedCharacter(wchar_t c);
