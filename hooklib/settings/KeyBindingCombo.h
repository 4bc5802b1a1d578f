#pragma once
// A key binding in the settings dialog: a modifier list and a key list side by side.
#include <windows.h>

#include "settings/KeyBindingValue.h"

// Appends the entries of both lists in order (the lists are not sorted).
void FillKeyBindingLists(HWND modifierList, HWND keyList);

void ShowKeyBinding(HWND modifierList, HWND keyList, KeyBinding binding);

KeyBinding ReadKeyBinding(HWND modifierList, HWND keyList);
