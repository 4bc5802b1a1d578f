#include "search/Keystroke.h"

#include <imm.h>

#include <algorithm>
#include <utility>

#include "search/Migemo.h"
#include "search/SearchRun.h"
#include "settings/SharedBlock.h"
#include "support/UniqueHandle.h"

namespace {

constexpr size_t kSearchTextReserve = 260;
// A key typed before the last reset, which ran later (behind a slow search), trails it by the
// time it waited in the queue: never anywhere near this long.
constexpr DWORD kQueueWaitLimitMs = 60000;

bool IsKeyHeld(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

WORD CharacterType(wchar_t c) {
    WORD type = 0;
    GetStringTypeW(CT_CTYPE1, &c, 1, &type);
    return type;
}

bool IsImeOpen(HWND window) {
    const unique_himc context(window, ImmGetContext(window));
    return context && ImmGetOpenStatus(context.get()) != FALSE;
}

MatchMode ModeForShift() {
    if (!IsOn(Shared.SwitchMigemoByShift)) {
        return Both;
    }
    return IsKeyHeld(VK_SHIFT) ? MigemoOnly : PlainOnly;
}

// When the key message being handled was typed: its own time, so that a key that waited in the
// queue behind a slow search still continues the text. A message sent from another thread has
// no time of its own (GetMessageTime tells the last one taken from the queue): it counts from
// its arrival.
DWORD KeyTime() {
    return InSendMessage() ? GetTickCount() : static_cast<DWORD>(GetMessageTime());
}

// A character is typed with the key that made it. TranslateMessage posts the character when it
// takes the key from the queue, which may be long after the key was typed, and may give it that
// later time; the key reaches the window just before its character. A character that comes
// without a key of its own (sent or posted by a program, an input method's result) counts from
// its arrival.
DWORD CharTime(SearchCore& state) {
    const std::optional<uint32_t> keyDown = std::exchange(state.m_keyDownTick, std::nullopt);
    return keyDown ? *keyDown : GetTickCount();
}

bool TypedBefore(DWORD typed, DWORD last) {
    const DWORD ahead = last - typed;
    return ahead != 0 && ahead <= kQueueWaitLimitMs;
}

// The first character since attaching starts a text, and so does one typed after a pause
// longer than InputInterval. One typed before the last reset (which ran later, behind a slow
// search) follows it without a pause.
void MeasurePause(SearchCore& state, DWORD typed) {
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
KeyOutcome HandleChar(HWND window, SearchCore& state, WPARAM wParam, LPARAM lParam) {
    MeasurePause(state, CharTime(state));
    const auto c = static_cast<wchar_t>(wParam);
    if (state.m_namesUnreadable || !IsTakenCharacter(c, state.m_searchText.empty())) {
        return {};
    }
    const MatchMode mode = ModeForShift();
    state.m_searchText += FoldTypedCharacter(c);
    RunSearch(EffectiveEnableLength(), state, mode);
    return {DefWindowProcW(window, WM_CHAR, wParam, lParam)};
}

// True when the input-dialog binding was pressed: the text has started afresh for it.
bool HandleBinding(SearchCore& state, KeyBinding modifier, WPARAM virtualKey) {
    const KeyBinding code =
        modifier | (MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR) & 0xFFFF);
    const bool shift = IsKeyHeld(VK_SHIFT);
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
    ResetSearch(state, GetTickCount());
    return true;
}

KeyOutcome BindingOutcome(bool askForText) {
    KeyOutcome outcome;
    outcome.m_askForText = askForText;
    return outcome;
}

} // namespace

bool IsTakenCharacter(wchar_t c, bool textEmpty) {
    if (c == L' ') {
        return !textEmpty;
    }
    return (CharacterType(c) & (C1_ALPHA | C1_DIGIT | C1_PUNCT | C1_UPPER | C1_LOWER)) != 0 &&
           (CharacterType(c) & (C1_CNTRL | C1_SPACE)) == 0;
}

wchar_t FoldTypedCharacter(wchar_t c) {
    if ((CharacterType(c) & C1_ALPHA) == 0) {
        return c;
    }
    if (!MigemoLocaleActive()) {
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    }
    wchar_t lower = c;
    LCMapStringW(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT),
                 LCMAP_LOWERCASE, &c, 1, &lower, 1);
    return lower;
}

int CloseIme(HWND window) {
    const unique_himc context(window, ImmGetContext(window));
    if (!context) {
        return -1;
    }
    return ImmSetOpenStatus(context.get(), FALSE) ? 0 : -1;
}

void SearchWholeText(SearchCore& state, const std::wstring& text) {
    state.m_searchText = text;
    RunSearch(1, state, PlainOnly);
}

void ResetSearch(SearchCore& state, DWORD keyTime) {
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

KeyOutcome HandleKeyMessage(HWND window, SearchCore& state, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    if (IsOn(Shared.DisableIme) && IsImeOpen(window) && CloseIme(window) != 0) {
        return {};
    }
    switch (message) {
    case WM_CHAR:
        return HandleChar(window, state, wParam, lParam);
    case WM_KEYDOWN:
        state.m_keyDownTick = KeyTime();
        if (wParam == VK_ESCAPE) {
            ResetSearch(state, *state.m_keyDownTick);
        }
        return BindingOutcome(IsKeyHeld(VK_CONTROL) && HandleBinding(state, KEYBIND_CTRL, wParam));
    case WM_SYSKEYDOWN:
        state.m_keyDownTick = KeyTime();
        return BindingOutcome(HandleBinding(state, KEYBIND_ALT, wParam));
    default:
        return {};
    }
}
