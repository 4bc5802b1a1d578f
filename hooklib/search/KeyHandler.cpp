#include "search/KeyHandler.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "search/SearchRun.h"
#include "settings/SharedBlock.h"

namespace {

using Modifier = CKeyInput::Modifier;

constexpr size_t kSearchTextReserve = 260;
// A key typed before the last reset, which ran later (behind a slow search), trails it by the
// time it waited in the queue: never anywhere near this long.
constexpr uint32_t kQueueWaitLimitMs = 60000;
constexpr uint32_t kEscapeKey = 0x1B; // VK_ESCAPE
constexpr uint32_t kBackKey = 0x08;   // VK_BACK
// What a key message carries instead of its key when the input method editor has taken the key
// for its composition (VK_PROCESSKEY).
constexpr uint32_t kImeProcessKey = 0xE5;

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A character beyond the basic plane as the platform's wide strings hold it: the pair itself in
// UTF-16, one code point where a wide character has 32 bits.
std::wstring JoinPair(wchar_t high, wchar_t low) {
    if constexpr (sizeof(wchar_t) == 2) {
        return {high, low};
    } else {
        const auto point = 0x10000 + ((static_cast<uint32_t>(high) - 0xD800) << 10) +
                           (static_cast<uint32_t>(low) - 0xDC00);
        return std::wstring(1, static_cast<wchar_t>(point));
    }
}

// The last character goes whole: both halves of a pair.
void EraseLastCharacter(std::wstring& text) {
    const size_t size = text.size();
    const bool pair =
        size >= 2 && IsLowSurrogate(text[size - 1]) && IsHighSurrogate(text[size - 2]);
    text.erase(size - (pair ? 2 : 1));
}

// A space within the text is part of a name; a leading one is the view's own (it toggles the
// focused item's selection).
bool IsTakenCharacter(const CKeyInput& input, wchar_t c, bool textEmpty) {
    return c == L' ' ? !textEmpty : input.IsGraphic(c);
}

MatchMode ModeForShift(const CKeyInput& input) {
    if (!IsOn(Shared.SwitchMigemoByShift)) {
        return Both;
    }
    return input.IsHeld(Modifier::Shift) ? MigemoOnly : PlainOnly;
}

// A character is typed with the key that made it. TranslateMessage posts the character when it
// takes the key from the queue, which may be long after the key was typed, and may give it that
// later time; the key reaches the window just before its character. A character that comes
// without a key of its own (sent or posted by a program, an input method's result) counts from
// its arrival.
uint32_t CharTime(const CKeyInput& input, SearchCore& state) {
    const std::optional<uint32_t> keyDown = std::exchange(state.m_dwKeyDownTick, std::nullopt);
    return keyDown ? *keyDown : input.Now();
}

bool TypedBefore(uint32_t typed, uint32_t last) {
    const uint32_t ahead = last - typed;
    return ahead != 0 && ahead <= kQueueWaitLimitMs;
}

// The first key since attaching starts a text, and so does one typed after a pause longer than
// InputInterval. One typed before the last reset (which ran later, behind a slow search) follows
// it without a pause.
bool PauseEnded(const SearchCore& state, uint32_t typed) {
    return !state.m_dwLastKeyTick || (!TypedBefore(typed, *state.m_dwLastKeyTick) &&
                                      typed - *state.m_dwLastKeyTick > EffectiveInputInterval());
}

void MeasurePause(SearchCore& state, uint32_t typed) {
    if (PauseEnded(state, typed)) {
        ResetSearch(state, typed);
    } else if (!TypedBefore(typed, *state.m_dwLastKeyTick)) {
        state.m_dwLastKeyTick = typed;
    }
}

enum class EUnit { Passed, Held, Added };

// One UTF-16 unit of typed or committed text. A high surrogate is held until the next unit: a
// low one joins it, anything else drops it; a low surrogate without its high one is dropped.
EUnit AddUnit(const CKeyInput& input, SearchCore& state, wchar_t c) {
    const std::optional<wchar_t> high = std::exchange(state.m_highSurrogate, std::nullopt);
    if (IsLowSurrogate(c)) {
        if (high) {
            state.m_searchText += JoinPair(*high, c);
            return EUnit::Added;
        }
        return EUnit::Held;
    }
    if (IsHighSurrogate(c)) {
        state.m_highSurrogate = c;
        return EUnit::Held;
    }
    if (!IsTakenCharacter(input, c, state.m_searchText.empty())) {
        return EUnit::Passed;
    }
    state.m_searchText += input.Fold(c);
    return EUnit::Added;
}

// Typed or committed text, searched once. A character the search cannot use, because the view's
// names could not be read, is the window's own: its type-ahead works as if the library were not
// there. Text with nothing taken goes on to the window whole; otherwise all of it is consumed.
KeyHandling HandleText(const CKeyInput& input, SearchCore& state, std::wstring_view text,
                       uint32_t typed) {
    MeasurePause(state, typed);
    if (state.m_namesUnreadable) {
        return {};
    }
    bool added = false;
    bool taken = false;
    for (const wchar_t c : text) {
        const EUnit unit = AddUnit(input, state, c);
        added = added || unit == EUnit::Added;
        taken = taken || unit != EUnit::Passed;
    }
    if (added) {
        RunSearch(EffectiveEnableLength(), state, ModeForShift(input));
    }
    return {.m_charTaken = taken};
}

// The character message of a key the search took (a binding, Backspace) is that key's.
std::optional<KeyHandling> TakeKeyCharacter(SearchCore& state) {
    if (!std::exchange(state.m_keyCharPending, false)) {
        return std::nullopt;
    }
    state.m_dwKeyDownTick.reset();
    return KeyHandling{.m_charTaken = true};
}

// Backspace while a text is being typed takes back its last character and searches again; an
// empty text searches nothing (every item would match) and selects nothing new. With no text, or
// after a pause, the key is the window's (in Explorer: back).
KeyHandling HandleBackspace(const CKeyInput& input, SearchCore& state, uint32_t typed) {
    if (state.m_searchText.empty() || PauseEnded(state, typed)) {
        return {};
    }
    MeasurePause(state, typed);
    EraseLastCharacter(state.m_searchText);
    state.m_highSurrogate.reset();
    state.m_keyCharPending = true;
    if (state.m_searchText.empty()) {
        state.OnReset();
    } else {
        RunSearch(EffectiveEnableLength(), state, ModeForShift(input));
    }
    return {.m_keyTaken = true};
}

// True when the input-dialog binding was pressed: the text has started afresh for it.
bool HandleBinding(const CKeyInput& input, SearchCore& state, KeyBinding modifier,
                   uint32_t virtualKey) {
    const KeyBinding code = modifier | input.KeyCharacter(virtualKey);
    const bool shift = input.IsHeld(Modifier::Shift);
    const bool nextKey = code == EffectiveKeyBinding(&SharedBlock::KeyBind_Next);
    const bool backKey = code == EffectiveKeyBinding(&SharedBlock::KeyBind_Back);
    bool next = false;
    bool back = false;
    if (nextKey) {
        (shift ? back : next) = true;
    }
    if (backKey) {
        if (shift) {
            SelectNextCandidate(state);
        } else {
            back = true;
        }
    }
    if (next) {
        SelectNextCandidate(state);
    }
    if (back) {
        SelectPreviousCandidate(state);
    }
    const bool selectAll = code == EffectiveKeyBinding(&SharedBlock::KeyBind_SelAll);
    if (selectAll) {
        SelectAllCandidates(state);
    }
    const bool askForText = code == EffectiveKeyBinding(&SharedBlock::KeyBind_Input);
    // A binding is one key: the character TranslateMessage makes of it (WM_SYSCHAR for Alt,
    // whose default handling beeps or opens the menu, a ribbon's key tip in Explorer; a control
    // character for Ctrl) goes with it.
    state.m_keyCharPending = nextKey || backKey || selectAll || askForText;
    if (askForText) {
        ResetSearch(state, input.Now());
    }
    return askForText;
}

} // namespace

void SearchWholeText(SearchCore& state, const std::wstring& text) {
    state.m_searchText = text;
    RunSearch(1, state, PlainOnly);
}

void ResetSearch(SearchCore& state, uint32_t keyTime) {
    state.m_dwLastKeyTick = keyTime;
    state.m_searchText.clear();
    state.m_searchText.reserve(kSearchTextReserve);
    if (state.m_pCtrl) {
        // Read afresh: a name of an earlier read never stands for an item of this one.
        ItemNames names;
        state.m_namesUnreadable = state.m_pCtrl->GetItemNames(names) != 0;
        if (state.m_namesUnreadable) {
            names.clear();
        }
        state.m_itemNames = CNameList(names);
    }
    state.OnReset();
}

KeyHandling HandleKey(CKeyInput& input, SearchCore& state, KeyMessage message, uint32_t code) {
    if (IsOn(Shared.DisableIme) && input.IsImeOpen() && !input.CloseIme()) {
        return {};
    }
    const auto unit = static_cast<wchar_t>(code);
    switch (message) {
    case KeyMessage::Char:
        if (const std::optional<KeyHandling> keys = TakeKeyCharacter(state)) {
            return *keys;
        }
        return HandleText(input, state, std::wstring_view(&unit, 1), CharTime(input, state));
    case KeyMessage::SysChar:
        return TakeKeyCharacter(state).value_or(KeyHandling{});
    case KeyMessage::ImeChar:
        state.m_dwKeyDownTick.reset();
        return HandleText(input, state, std::wstring_view(&unit, 1), input.Now());
    case KeyMessage::ImeResult:
        state.m_dwKeyDownTick.reset();
        return HandleText(input, state, input.ImeResult(), input.Now());
    case KeyMessage::KeyDown:
        state.m_keyCharPending = false;
        if (code == kImeProcessKey) {
            // The input method editor took the key for its composition: no character follows
            // it, but it was typed, so the text goes on while the user composes.
            state.m_dwKeyDownTick.reset();
            MeasurePause(state, input.KeyTime());
            return {};
        }
        state.m_dwKeyDownTick = input.KeyTime();
        if (code == kEscapeKey) {
            ResetSearch(state, *state.m_dwKeyDownTick);
        }
        if (code == kBackKey && !input.IsHeld(Modifier::Control)) {
            return HandleBackspace(input, state, *state.m_dwKeyDownTick);
        }
        return {.m_askForText = input.IsHeld(Modifier::Control) &&
                                HandleBinding(input, state, KEYBIND_CTRL, code)};
    case KeyMessage::SysKeyDown:
        state.m_keyCharPending = false;
        state.m_dwKeyDownTick = input.KeyTime();
        return {.m_askForText = HandleBinding(input, state, KEYBIND_ALT, code)};
    }
    return {};
}
