#pragma once
// Turning the window under the settings dialog's picker into a list-view rule, and marking it
// with an inverted frame.
#include <windows.h>

#include <string>

#include "settings/TargetListView.h"

// The identity as a list-view rule: empty values become "*" so the rule does not restrict them;
// values longer than a rule field holds are cut to 259 characters.
TargetListView GetWindowIdentity(HWND hwnd);

// Copies text into a rule field, cut to 259 characters.
void CopyRuleField(wchar_t (&field)[kRuleFieldLength], const std::wstring& text);

// Inverts a 3-pixel band along the window's outer edge; a second call restores it.
void InvertWindowFrame(HWND hwnd);
