#pragma once
// Keys typed into an attached window: characters build the search text and run the search,
// a pause or Escape starts afresh, and the key bindings move through the candidates.
#include <cstdint>
#include <string>

#include "search/KeyInput.h"

struct SearchCore;

// Char and SysChar are the characters TranslateMessage makes of keys; ImeChar is one the input
// method editor sends; ImeResult is the text it has committed (CKeyInput::ImeResult).
enum class KeyMessage { Char, KeyDown, SysKeyDown, SysChar, ImeChar, ImeResult };

// What a key message came to.
struct KeyHandling {
    // The character or committed text went into the search text, or was the character of a
    // key the search took: the window does not see it.
    bool m_charTaken = false;
    // The key edited the search text (Backspace): the window does not see it.
    bool m_keyTaken = false;
    // The input-dialog binding was pressed: the search text has started afresh, and the window's
    // owner asks for a whole text (the input dialog) and hands it to SearchWholeText.
    bool m_askForText = false;
};

// A character (code is the UTF-16 unit) or a key pressed alone, with Ctrl, or with Alt (code is
// the virtual key); for ImeResult, code is not used. A surrogate pair arrives in two messages
// and is joined; a lone half of a pair is dropped, never passed to the window alone.
KeyHandling HandleKey(CKeyInput& input, SearchCore& state, KeyMessage message, uint32_t code);

// Searches a text typed as a whole: with the plain pattern alone, from its first character.
void SearchWholeText(SearchCore& state, const std::wstring& text);

// A new search text: clears it, reads the view's item names afresh and tells the state
// (OnReset). keyTime is when the key that caused it was typed; pauses count from there.
void ResetSearch(SearchCore& state, uint32_t keyTime);
