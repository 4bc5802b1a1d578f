#include "settings/KeyBindingCombo.h"

#include <string>

#include "settings/KeyBinding.h"

namespace {

void AppendAll(HWND list, const std::vector<std::wstring>& entries) {
    for (const std::wstring& entry : entries) {
        SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(entry.c_str()));
    }
}

void SelectByText(HWND list, const std::wstring& text) {
    SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

} // namespace

void FillKeyBindingLists(HWND modifierList, HWND keyList) {
    AppendAll(modifierList, ModifierEntries());
    AppendAll(keyList, KeyEntries());
}

void ShowKeyBinding(HWND modifierList, HWND keyList, KeyBinding binding) {
    // A failed CB_SELECTSTRING keeps the old selection; a binding without a modifier or a key
    // in no entry must show none.
    SendMessageW(modifierList, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(keyList, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SelectByText(modifierList, ModifierSelectionText(binding));
    if (const auto key = KeySelectionText(binding)) {
        SelectByText(keyList, *key);
    }
}

KeyBinding ReadKeyBinding(HWND modifierList, HWND keyList) {
    const auto modifier = static_cast<int>(SendMessageW(modifierList, CB_GETCURSEL, 0, 0));
    std::wstring keyText;
    const auto keyIndex = SendMessageW(keyList, CB_GETCURSEL, 0, 0);
    if (keyIndex != CB_ERR) {
        const auto length = SendMessageW(keyList, CB_GETLBTEXTLEN, keyIndex, 0);
        if (length > 0) {
            std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
            SendMessageW(keyList, CB_GETLBTEXT, keyIndex, reinterpret_cast<LPARAM>(buffer.data()));
            // Through the pointer: the text ends at the first NUL, the buffer's terminator is not
            // kept. NOLINTNEXTLINE(readability-redundant-string-cstr)
            keyText = buffer.c_str();
        }
    }
    return BindingFromSelection(modifier, keyText);
}
