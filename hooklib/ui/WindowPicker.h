#pragma once
// Reading who a window is (class, executable, top-level and root-owner classes) and marking
// the window under the settings dialog's picker with an inverted frame.
#include <windows.h>

#include <string>

#include "settings/SharedBlock.h"

// The four values of a window as target discovery compares them; a value that cannot be read
// is empty.
struct WindowIdentity {
    std::wstring m_clsName;
    std::wstring m_exeName;
    std::wstring m_rootClsName;
    std::wstring m_rootOwnerClsName;
};

WindowIdentity ReadWindowIdentity(HWND hwnd);

// The identity as a list-view rule: empty values become "*" so the rule does not restrict them;
// values longer than a rule field holds are cut to 259 characters.
TargetListView GetWindowIdentity(HWND hwnd);

// Copies text into a rule field, cut to 259 characters.
void CopyRuleField(wchar_t (&field)[kRuleFieldLength], const std::wstring& text);

// Inverts a 3-pixel band along the window's outer edge; a second call restores it.
void InvertWindowFrame(HWND hwnd);
