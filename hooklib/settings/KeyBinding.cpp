#include "settings/KeyBinding.h"

namespace {

constexpr KeyBinding kKeyMask = 0xFFFF;

bool IsGraphic(unsigned value) {
    return value >= 0x21 && value <= 0x7E;
}

std::wstring Chord(const wchar_t* modifier, wchar_t key) {
    return std::wstring(modifier) + L'+' + key;
}

std::optional<wchar_t> CharacterAfter(const std::wstring& text, const std::wstring& prefix) {
    if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0) {
        return text[prefix.size()];
    }
    return std::nullopt;
}

} // namespace

std::optional<std::wstring> FormatKeyBinding(KeyBinding binding) {
    const auto key = static_cast<wchar_t>(binding & kKeyMask);
    if (binding & KEYBIND_ALT) {
        return Chord(L"Alt", key);
    }
    if (binding & KEYBIND_CTRL) {
        return Chord(L"Ctrl", key);
    }
    return std::nullopt;
}

std::wstring DefaultKeyBindingText(KeyBinding binding) {
    const auto key = static_cast<wchar_t>(binding & 0xFF);
    return Chord((binding & KEYBIND_CTRL) ? L"Ctrl" : L"Alt", key);
}

KeyBinding ParseKeyBinding(const std::wstring& text, KeyBinding current) {
    if (const auto key = CharacterAfter(text, L"Alt+")) {
        return KEYBIND_ALT | static_cast<KeyBinding>(static_cast<uint16_t>(*key));
    }
    if (const auto key = CharacterAfter(text, L"Ctrl+")) {
        return KEYBIND_CTRL | static_cast<KeyBinding>(static_cast<uint16_t>(*key));
    }
    return current;
}

bool IsWellFormedKeyBinding(KeyBinding binding) {
    const KeyBinding modifier = binding & ~kKeyMask;
    return modifier == KEYBIND_ALT || modifier == KEYBIND_CTRL;
}

const std::vector<std::wstring>& ModifierEntries() {
    static const std::vector<std::wstring> entries{L"Alt", L"Ctrl"};
    return entries;
}

const std::vector<std::wstring>& KeyEntries() {
    static const std::vector<std::wstring> entries = [] {
        std::vector<std::wstring> keys;
        for (wchar_t c = L'A'; c <= L'Z'; ++c) {
            keys.emplace_back(1, c);
        }
        for (wchar_t c = L'0'; c <= L'9'; ++c) {
            keys.emplace_back(1, c);
        }
        for (const wchar_t c : std::wstring(L"-^@;:[],./\\")) {
            keys.emplace_back(1, c);
        }
        return keys;
    }();
    return entries;
}

std::wstring ModifierSelectionText(KeyBinding binding) {
    if (binding & KEYBIND_ALT) {
        return L"Alt";
    }
    if (binding & KEYBIND_CTRL) {
        return L"Ctrl";
    }
    return std::wstring();
}

std::optional<std::wstring> KeySelectionText(KeyBinding binding) {
    const unsigned key = binding & kKeyMask;
    if (IsGraphic(key)) {
        return std::wstring(1, static_cast<wchar_t>(key));
    }
    if (binding & (KEYBIND_ALT | KEYBIND_CTRL)) {
        return std::nullopt;
    }
    return std::wstring();
}

KeyBinding BindingFromSelection(int modifierIndex, const std::wstring& keyText) {
    KeyBinding binding = 0;
    if (modifierIndex == 0) {
        binding = KEYBIND_ALT;
    } else if (modifierIndex == 1) {
        binding = KEYBIND_CTRL;
    }
    if (!keyText.empty() && IsGraphic(static_cast<unsigned>(keyText[0]))) {
        binding |= static_cast<KeyBinding>(keyText[0]);
    }
    return binding;
}
