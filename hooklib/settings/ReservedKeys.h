#pragma once
// Keys that Explorer takes before its folder view sees them. Explorer's frame translates its
// shortcuts as accelerators in its own message loop (and hands the view's own to
// IShellView::TranslateAccelerator) before the key message is dispatched, so a subclass of the
// view never receives them: a search binding on one of these chords can never fire in Explorer.
// It still fires in other list views, so the settings dialog warns and does not refuse.
//
// The list (ReservedKeys.cpp) holds the chords of Microsoft's "Keyboard shortcuts in Windows"
// (support.microsoft.com: the "File Explorer keyboard shortcuts" and "General keyboard
// shortcuts" tables) that reach Explorer while its view has the focus and that a binding can
// name. Explorer also takes F2 (rename), Backspace (back; in a file dialog up one folder) and
// Alt+Left/Right/Up (back, forward, parent folder); no binding can name those, since a binding
// is Alt or Ctrl with a key that gives a character, so they need no check.
#include "settings/KeyBindingValue.h"

// Whether Explorer takes the binding's chord before the view: the whole 32-bit value equals a
// listed chord (a key press gives upper-case letters, so "Ctrl+c" from a hand-edited file is no
// chord at all, and a value with both modifier bits matches no press either).
bool IsReservedByExplorer(KeyBinding binding);
