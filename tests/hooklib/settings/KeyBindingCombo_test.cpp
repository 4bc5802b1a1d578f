#include "settings/KeyBindingCombo.h"

#include <gtest/gtest.h>

#include "settings/KeyBinding.h"
#include "support/UniqueHandle.h"

namespace {

// Two real drop-down lists in a hidden window.
class KeyBindingCombo : public ::testing::Test {
  protected:
    void SetUp() override {
        m_parent.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr,
                                       nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_parent);
        m_modifier = Combo();
        m_key = Combo();
        FillKeyBindingLists(m_modifier, m_key);
    }
    HWND Combo() const {
        return CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0,
                               100, 200, m_parent.get(), nullptr, nullptr, nullptr);
    }
    int Selection(HWND list) const {
        return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    }
    std::wstring Entry(HWND list, int index) const {
        wchar_t text[16] = {};
        SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }

    unique_hwnd m_parent;
    HWND m_modifier = nullptr;
    HWND m_key = nullptr;
};

TEST_F(KeyBindingCombo, ListsHoldTheirEntriesUnsorted) {
    ASSERT_EQ(SendMessageW(m_modifier, CB_GETCOUNT, 0, 0), 2);
    ASSERT_EQ(SendMessageW(m_key, CB_GETCOUNT, 0, 0), 47);
    EXPECT_EQ(Entry(m_modifier, 0), L"Alt");
    EXPECT_EQ(Entry(m_modifier, 1), L"Ctrl");
    for (int i = 0; i < 47; ++i) {
        EXPECT_EQ(Entry(m_key, i), KeyEntries()[static_cast<size_t>(i)]);
    }
}

TEST_F(KeyBindingCombo, EveryEntryShowsAndReadsBack) {
    for (const KeyBinding modifier : {KEYBIND_ALT, KEYBIND_CTRL}) {
        for (const std::wstring& key : KeyEntries()) {
            const KeyBinding binding = modifier | key[0];
            ShowKeyBinding(m_modifier, m_key, binding);
            EXPECT_EQ(ReadKeyBinding(m_modifier, m_key), binding) << key;
        }
    }
}

TEST_F(KeyBindingCombo, LowerCaseLetterSelectsTheUpperCaseEntry) {
    ShowKeyBinding(m_modifier, m_key, KEYBIND_ALT | L'n');
    EXPECT_EQ(Entry(m_key, Selection(m_key)), L"N");
    EXPECT_EQ(ReadKeyBinding(m_modifier, m_key), KEYBIND_ALT | L'N');
}

TEST_F(KeyBindingCombo, CharacterOutsideTheListStoresTheModifierAlone) {
    ShowKeyBinding(m_modifier, m_key, KEYBIND_ALT | L'N');
    ShowKeyBinding(m_modifier, m_key, KEYBIND_CTRL | L'!');
    EXPECT_EQ(Selection(m_key), CB_ERR);
    EXPECT_EQ(ReadKeyBinding(m_modifier, m_key), KEYBIND_CTRL);
    ShowKeyBinding(m_modifier, m_key, KEYBIND_ALT | 0x3042);
    EXPECT_EQ(Selection(m_key), CB_ERR);
    EXPECT_EQ(ReadKeyBinding(m_modifier, m_key), KEYBIND_ALT);
}

// An unbound key (what a binding that is not well-formed acts as) shows no entry in either list.
TEST_F(KeyBindingCombo, UnboundKeyShowsNothingSelected) {
    ShowKeyBinding(m_modifier, m_key, KEYBIND_CTRL | L'N');
    ShowKeyBinding(m_modifier, m_key, 0);
    EXPECT_EQ(Selection(m_modifier), CB_ERR);
    EXPECT_EQ(Selection(m_key), CB_ERR);
    EXPECT_EQ(ReadKeyBinding(m_modifier, m_key), 0u);
}

TEST_F(KeyBindingCombo, NothingSelectedReadsAsZero) {
    EXPECT_EQ(ReadKeyBinding(m_modifier, m_key), 0u);
}

} // namespace
