#pragma once
// Keys typed into an attached window: characters build the search text and run the search,
// a pause or Escape starts afresh, and the key bindings move through the candidates.
#include <cstdint>
#include <string>

#include "search/KeyInput.h"

struct SearchCore;

enum class KeyMessage { Char, KeyDown, SysKeyDown };

// What a key message came to.
struct KeyHandling {
    // The character went into the search text: the window does not see it.
    bool m_charTaken = false;
    // The input-dialog binding was pressed: the search text has started afresh, and the window's
    // owner asks for a whole text (the input dialog) and hands it to SearchWholeText.
    bool m_askForText = false;
};

// A character (code is the UTF-16 unit) or a key pressed alone, with Ctrl, or with Alt (code is
// the virtual key).
KeyHandling HandleKey(CKeyInput& input, SearchCore& state, KeyMessage message, uint32_t code);

// Searches a text typed as a whole: with the plain pattern alone, from its first character.
void SearchWholeText(SearchCore& state, const std::wstring& text);

// A new search text: clears it, reads the view's item names afresh and tells the state
// (OnReset). keyTime is when the key that caused it was typed; pauses count from there.
void ResetSearch(SearchCore& state, uint32_t keyTime);
