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
    std::optional<LRESULT> m_result = std::nullopt;
    // See KeyHandling::m_askForText.
    bool m_askForText = false;
    // Set when the message goes on, but with this lParam: a composition whose result string was
    // taken goes on without it (see HandleKeyMessage).
    std::optional<LPARAM> m_passedLParam = std::nullopt;
};

// Handles WM_KEYDOWN, WM_CHAR, WM_SYSKEYDOWN, WM_SYSCHAR, WM_IME_CHAR and WM_IME_COMPOSITION of
// an attached window.
KeyOutcome HandleKeyMessage(HWND window, SearchCore& state, UINT message, WPARAM wParam,
                            LPARAM lParam);

// With DisableIme on, the attached window has no input context while attached
// (ImmAssociateContext with none): the input method editor is off for that window alone, from
// before its first key, so no key goes to a composition, and the other windows of its thread (an
// address bar, a search box) keep theirs. Closing an open editor at the first key is too late:
// that key has become VK_PROCESSKEY and the start of a composition.
class CImeSwitch {
  public:
    // Takes the window's input context away while off holds, and gives back the one it had
    // when off no longer holds.
    void Follow(HWND window, bool off);

  private:
    bool m_taken = false;
    HIMC m_previous = nullptr;
};

// 0 when the window's input method editor was closed, -1 when closing failed.
int CloseIme(HWND window);

// Character classes of typed text, independent of any C runtime locale: letters, digits and
// punctuation are graphic; letters are stored lower case (beyond ASCII once Migemo has loaded,
// as the Japanese character-type rules would have it).
bool IsGraphicCharacter(wchar_t c);
wchar_t FoldTypedCharacter(wchar_t c);
