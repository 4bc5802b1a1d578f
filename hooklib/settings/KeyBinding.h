#pragma once
// Text forms of a key binding: "Alt+N" / "Ctrl+;" in the settings file, and the two drop-down
// lists (modifier, key) of the settings dialog.
#include <optional>
#include <string>
#include <vector>

#include "settings/KeyBindingValue.h"

// "Alt+%c" or "Ctrl+%c"; nothing for a binding without a modifier bit (the caller writes no key).
std::optional<std::wstring> FormatKeyBinding(KeyBinding binding);

// Default text for a load, so that a missing key parses back to the same binding
// (a binding without modifier bits comes back with Alt).
std::wstring DefaultKeyBindingText(KeyBinding binding);

// "Alt+" or "Ctrl+" followed by a character gives that binding; any other text keeps current.
KeyBinding ParseKeyBinding(const std::wstring& text, KeyBinding current);

// One modifier bit and a 16-bit key: the form of every binding the settings file's text gives,
// and the only one a key press can match.
bool IsWellFormedKeyBinding(KeyBinding binding);

// Entries of the dialog's two lists, in order.
const std::vector<std::wstring>& ModifierEntries();
const std::vector<std::wstring>& KeyEntries();

// What the dialog selects for a binding. No value: the list gets no selection.
std::wstring ModifierSelectionText(KeyBinding binding);
std::optional<std::wstring> KeySelectionText(KeyBinding binding);

// The binding read back from the dialog: modifierIndex 0 Alt, 1 Ctrl, anything else none;
// keyText the selected key entry (empty when nothing is selected).
KeyBinding BindingFromSelection(int modifierIndex, const std::wstring& keyText);
