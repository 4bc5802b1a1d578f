#include "settings/ReservedKeys.h"

#include <gtest/gtest.h>

#include "settings/KeyBinding.h"

namespace {

TEST(ReservedKeys, ExplorersChordsAreReservedAndTheirNeighboursAreNot) {
    struct Row {
        KeyBinding m_binding;
        bool m_reserved;
    };
    const Row rows[] = {
        {KEYBIND_CTRL | L'A', true},
        {KEYBIND_CTRL | L'C', true},
        {KEYBIND_CTRL | L'V', true},
        {KEYBIND_CTRL | L'X', true},
        {KEYBIND_CTRL | L'Z', true},
        {KEYBIND_ALT | L'D', true},
        {KEYBIND_CTRL | L'F', true},
        {KEYBIND_ALT | L'P', true},
        // The same letters with the other modifier are free.
        {KEYBIND_ALT | L'C', false},
        {KEYBIND_ALT | L'V', false},
        {KEYBIND_CTRL | L'P', false},
        {KEYBIND_CTRL | L'B', false},
        // No key press gives these: a lower-case letter, both modifiers, no modifier.
        {KEYBIND_CTRL | L'c', false},
        {KEYBIND_CTRL | KEYBIND_ALT | L'C', false},
        {L'C', false},
        {0, false},
        // Backspace's character with a modifier is not the Backspace Explorer takes alone.
        {KEYBIND_ALT | 0x08, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsReservedByExplorer(row.m_binding), row.m_reserved) << std::hex << row.m_binding;
    }
}

TEST(ReservedKeys, TheDefaultBindingsAreFree) {
    for (const wchar_t* text : {L"Alt+N", L"Alt+B", L"Alt+S", L"Alt+I"}) {
        EXPECT_FALSE(IsReservedByExplorer(ParseKeyBinding(text, 0))) << text;
    }
}

} // namespace
