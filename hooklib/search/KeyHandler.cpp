#include "search/KeyHandler.h"

#include <optional>
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

// The first character since attaching starts a text, and so does one typed after a pause
// longer than InputInterval. One typed before the last reset (which ran later, behind a slow
// search) follows it without a pause.
void MeasurePause(SearchCore& state, uint32_t typed) {
    if (!state.m_dwLastKeyTick) {
        ResetSearch(state, typed);
    } else if (!TypedBefore(typed, *state.m_dwLastKeyTick)) {
        if (typed - *state.m_dwLastKeyTick > EffectiveInputInterval()) {
            ResetSearch(state, typed);
        } else {
            state.m_dwLastKeyTick = typed;
        }
    }
}

// A character the search cannot use, because the view's names could not be read, is the
// window's own: its type-ahead works as if the library were not there.
KeyHandling HandleChar(const CKeyInput& input, SearchCore& state, wchar_t c) {
    MeasurePause(state, CharTime(input, state));
    if (state.m_namesUnreadable || !IsTakenCharacter(input, c, state.m_searchText.empty())) {
        return {};
    }
    const MatchMode mode = ModeForShift(input);
    state.m_searchText += input.Fold(c);
    RunSearch(EffectiveEnableLength(), state, mode);
    return {.m_charTaken = true};
}

// True when the input-dialog binding was pressed: the text has started afresh for it.
bool HandleBinding(const CKeyInput& input, SearchCore& state, KeyBinding modifier,
                   uint32_t virtualKey) {
    const KeyBinding code = modifier | input.KeyCharacter(virtualKey);
    const bool shift = input.IsHeld(Modifier::Shift);
    bool next = false;
    bool back = false;
    if (code == EffectiveKeyBinding(&SharedBlock::KeyBind_Next)) {
        (shift ? back : next) = true;
    }
    if (code == EffectiveKeyBinding(&SharedBlock::KeyBind_Back)) {
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
    if (code == EffectiveKeyBinding(&SharedBlock::KeyBind_SelAll)) {
        SelectAllCandidates(state);
    }
    if (code != EffectiveKeyBinding(&SharedBlock::KeyBind_Input)) {
        return false;
    }
    ResetSearch(state, input.Now());
    return true;
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
    switch (message) {
    case KeyMessage::Char:
        return HandleChar(input, state, static_cast<wchar_t>(code));
    case KeyMessage::KeyDown:
        state.m_dwKeyDownTick = input.KeyTime();
        if (code == kEscapeKey) {
            ResetSearch(state, *state.m_dwKeyDownTick);
        }
        return {.m_askForText = input.IsHeld(Modifier::Control) &&
                                HandleBinding(input, state, KEYBIND_CTRL, code)};
    case KeyMessage::SysKeyDown:
        state.m_dwKeyDownTick = input.KeyTime();
        return {.m_askForText = HandleBinding(input, state, KEYBIND_ALT, code)};
    }
    return {};
}
