#pragma once
// Keys typed into an attached window: characters build the search text and run the search,
// a pause or Escape starts afresh, and the key bindings move through the candidates.
#include <windows.h>

#include <optional>

struct SearchState;

// Handles WM_KEYDOWN, WM_CHAR and WM_SYSKEYDOWN of an attached window. A result means the
// message is consumed; no result means it goes on to the window's previous procedure.
std::optional<LRESULT> HandleKeyMessage(HWND window, SearchState& state, UINT message,
                                        WPARAM wParam, LPARAM lParam);

// A new search text: clears it, reads the view's item names afresh and hides the tip. keyTime
// (GetTickCount's clock) is when the key that caused it was typed; pauses count from there.
void ResetSearch(SearchState& state, DWORD keyTime);

// 0 when the window's input method editor was closed, -1 when closing failed.
int CloseIme(HWND window);

// Character classes of typed text, independent of any C runtime locale: graphic characters
// are taken, letters are stored lower case (beyond ASCII once Migemo has loaded, as the
// Japanese character-type rules would have it).
bool IsTakenCharacter(wchar_t c, bool textEmpty);
wchar_t FoldTypedCharacter(wchar_t c);
