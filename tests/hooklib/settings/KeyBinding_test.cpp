#include "settings/KeyBinding.h"

#include <gtest/gtest.h>

namespace {

constexpr KeyBinding kCurrent = KEYBIND_CTRL | L'Q';

TEST(KeyBinding_Text, EveryDialogEntryRoundTripsWithEitherModifier) {
    ASSERT_EQ(KeyEntries().size(), 47u);
    for (const KeyBinding modifier : {KEYBIND_ALT, KEYBIND_CTRL}) {
        for (const std::wstring& key : KeyEntries()) {
            const KeyBinding binding = modifier | key[0];
            const auto text = FormatKeyBinding(binding);
            ASSERT_TRUE(text.has_value());
            EXPECT_EQ(ParseKeyBinding(*text, kCurrent), binding) << *text;
            EXPECT_EQ(ParseKeyBinding(DefaultKeyBindingText(binding), kCurrent), binding);
        }
    }
}

TEST(KeyBinding_Text, CtrlSemicolonIsBoth0x2003BAndItsText) {
    EXPECT_EQ(ParseKeyBinding(L"Ctrl+;", kCurrent), 0x2003Bu);
    EXPECT_EQ(FormatKeyBinding(0x2003B), L"Ctrl+;");
}

TEST(KeyBinding_Text, DefaultsFormatAsAltLetters) {
    EXPECT_EQ(FormatKeyBinding(0x1004E), L"Alt+N");
    EXPECT_EQ(FormatKeyBinding(0x10042), L"Alt+B");
    EXPECT_EQ(FormatKeyBinding(0x10053), L"Alt+S");
    EXPECT_EQ(FormatKeyBinding(0x10049), L"Alt+I");
}

TEST(KeyBinding_Text, TextWithoutAKeyCharacterKeepsTheCurrentBinding) {
    for (const wchar_t* text : {L"", L"Alt+", L"Ctrl+", L"Alt", L"Shift+N", L"alt+N", L"ctrl+N",
                                L" Alt+N", L"N", L"+N"}) {
        EXPECT_EQ(ParseKeyBinding(text, kCurrent), kCurrent) << text;
    }
}

TEST(KeyBinding_Text, OnlyTheFirstCharacterAfterThePlusCounts) {
    EXPECT_EQ(ParseKeyBinding(L"Alt+NO", kCurrent), KEYBIND_ALT | L'N');
    EXPECT_EQ(ParseKeyBinding(L"Ctrl+-x", kCurrent), KEYBIND_CTRL | L'-');
}

TEST(KeyBinding_Text, CharacterIsTakenUnchanged) {
    EXPECT_EQ(ParseKeyBinding(L"Alt+n", kCurrent), KEYBIND_ALT | L'n');
    EXPECT_EQ(ParseKeyBinding(L"Alt+\u3042", kCurrent), KEYBIND_ALT | 0x3042u);
    EXPECT_EQ(ParseKeyBinding(L"Alt++", kCurrent), KEYBIND_ALT | L'+');
}

TEST(KeyBinding_Text, BothModifierBitsAreWrittenAsAlt) {
    EXPECT_EQ(FormatKeyBinding(KEYBIND_ALT | KEYBIND_CTRL | L'K'), L"Alt+K");
}

TEST(KeyBinding_Text, NoModifierIsNotWrittenAndLoadsBackWithAlt) {
    EXPECT_FALSE(FormatKeyBinding(L'K').has_value());
    EXPECT_EQ(DefaultKeyBindingText(L'K'), L"Alt+K");
    EXPECT_EQ(ParseKeyBinding(DefaultKeyBindingText(L'K'), L'K'), KEYBIND_ALT | L'K');
}

TEST(KeyBinding_Dialog, ListsHoldTheEntriesInOrder) {
    EXPECT_EQ(ModifierEntries(), (std::vector<std::wstring>{L"Alt", L"Ctrl"}));
    const auto& keys = KeyEntries();
    EXPECT_EQ(keys.front(), L"A");
    EXPECT_EQ(keys[25], L"Z");
    EXPECT_EQ(keys[26], L"0");
    EXPECT_EQ(keys[35], L"9");
    const std::vector<std::wstring> punctuation(keys.begin() + 36, keys.end());
    EXPECT_EQ(punctuation, (std::vector<std::wstring>{L"-", L"^", L"@", L";", L":", L"[", L"]",
                                                      L",", L".", L"/", L"\\"}));
}

TEST(KeyBinding_Dialog, SelectionTextsFollowTheBinding) {
    EXPECT_EQ(ModifierSelectionText(KEYBIND_ALT | L'N'), L"Alt");
    EXPECT_EQ(ModifierSelectionText(KEYBIND_CTRL | L'N'), L"Ctrl");
    EXPECT_EQ(ModifierSelectionText(KEYBIND_ALT | KEYBIND_CTRL | L'N'), L"Alt");
    EXPECT_EQ(ModifierSelectionText(L'N'), L"");
    EXPECT_EQ(KeySelectionText(KEYBIND_ALT | L'N'), L"N");
    EXPECT_EQ(KeySelectionText(KEYBIND_ALT | 0x3042), std::nullopt);
    EXPECT_EQ(KeySelectionText(KEYBIND_CTRL | L' '), std::nullopt);
    EXPECT_EQ(KeySelectionText(0), L"");
}

TEST(KeyBinding_Dialog, SelectionReadsBackAsBinding) {
    EXPECT_EQ(BindingFromSelection(0, L"N"), KEYBIND_ALT | L'N');
    EXPECT_EQ(BindingFromSelection(1, L";"), KEYBIND_CTRL | L';');
    EXPECT_EQ(BindingFromSelection(-1, L"N"), static_cast<KeyBinding>(L'N'));
    EXPECT_EQ(BindingFromSelection(0, L""), KEYBIND_ALT);
    EXPECT_EQ(BindingFromSelection(1, L" "), KEYBIND_CTRL);
}

} // namespace
