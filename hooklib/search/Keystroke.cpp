#include "search/Keystroke.h"

#include <imm.h>

#include "search/KeyInput.h"
#include "search/Migemo.h"
#include "support/UniqueHandle.h"

namespace {

WORD CharacterType(wchar_t c) {
    WORD type = 0;
    GetStringTypeW(CT_CTYPE1, &c, 1, &type);
    return type;
}

// What describes a composition's committed text.
constexpr LPARAM kResultFlags =
    GCS_RESULTSTR | GCS_RESULTCLAUSE | GCS_RESULTREADSTR | GCS_RESULTREADCLAUSE;

std::optional<KeyMessage> KeyMessageOf(UINT message, LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
        return KeyMessage::Char;
    case WM_KEYDOWN:
        return KeyMessage::KeyDown;
    case WM_SYSKEYDOWN:
        return KeyMessage::SysKeyDown;
    case WM_SYSCHAR:
        return KeyMessage::SysChar;
    case WM_IME_CHAR:
        return KeyMessage::ImeChar;
    case WM_IME_COMPOSITION:
        if ((lParam & GCS_RESULTSTR) != 0) {
            return KeyMessage::ImeResult;
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

// How a taken message is consumed. A typed character gets DefWindowProc's answer, as if the
// window had no type-ahead of its own; the others 0, as DefWindowProc would make more of them:
// of WM_SYSCHAR the menu key (WM_SYSCOMMAND SC_KEYMENU, a beep where there is no menu), of
// WM_IME_CHAR a WM_CHAR. A composition whose result was taken goes on without its result flags:
// the window and the default IME window still follow the composition, but the IME window makes
// no WM_IME_CHAR of the taken text (it sends them for GCS_RESULTSTR), so it is searched once.
KeyOutcome Consume(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
        return {.m_result = DefWindowProcW(window, WM_CHAR, wParam, lParam)};
    case WM_IME_COMPOSITION:
        return {.m_passedLParam = lParam & ~kResultFlags};
    default:
        return {.m_result = 0};
    }
}

// The key logic's questions answered by the system, for the message being handled.
class CSystemKeyInput final : public CKeyInput {
  public:
    explicit CSystemKeyInput(HWND window) : m_window(window) {}

    // GetKeyState tells the state as of the last message taken from the queue, not the
    // keyboard's now.
    bool IsHeld(Modifier modifier) const override {
        const int key = modifier == Modifier::Shift ? VK_SHIFT : VK_CONTROL;
        return (GetKeyState(key) & 0x8000) != 0;
    }
    // The key message's own time, so that a key that waited in the queue behind a slow search
    // still continues the text. A message sent from another thread has no time of its own
    // (GetMessageTime tells the last one taken from the queue): it counts from its arrival.
    uint32_t KeyTime() const override {
        return InSendMessage() ? GetTickCount() : static_cast<DWORD>(GetMessageTime());
    }
    uint32_t Now() const override { return GetTickCount(); }
    bool IsImeOpen() const override {
        const unique_himc context(m_window, ImmGetContext(m_window));
        return context && ImmGetOpenStatus(context.get()) != FALSE;
    }
    bool CloseIme() override { return ::CloseIme(m_window) == 0; }
    bool IsGraphic(wchar_t c) const override { return IsGraphicCharacter(c); }
    wchar_t Fold(wchar_t c) const override { return FoldTypedCharacter(c); }
    wchar_t KeyCharacter(uint32_t virtualKey) const override {
        return static_cast<wchar_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_CHAR) & 0xFFFF);
    }
    // ImmGetCompositionStringW counts bytes, without a terminating null.
    std::wstring ImeResult() const override {
        const unique_himc context(m_window, ImmGetContext(m_window));
        if (!context) {
            return {};
        }
        const LONG bytes = ImmGetCompositionStringW(context.get(), GCS_RESULTSTR, nullptr, 0);
        if (bytes <= 0) {
            return {};
        }
        std::wstring text(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
        const LONG got = ImmGetCompositionStringW(context.get(), GCS_RESULTSTR, text.data(),
                                                  static_cast<DWORD>(bytes));
        text.resize(got > 0 ? static_cast<size_t>(got) / sizeof(wchar_t) : 0);
        return text;
    }

  private:
    HWND m_window;
};

} // namespace

bool IsGraphicCharacter(wchar_t c) {
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

// A taken message is consumed (see Consume); every other key message goes on to the window.
KeyOutcome HandleKeyMessage(HWND window, SearchCore& state, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    const std::optional<KeyMessage> key = KeyMessageOf(message, lParam);
    if (!key) {
        return {};
    }
    CSystemKeyInput input(window);
    const KeyHandling handling = HandleKey(input, state, *key, static_cast<uint32_t>(wParam));
    KeyOutcome outcome;
    if (handling.m_charTaken || handling.m_keyTaken) {
        outcome = Consume(window, message, wParam, lParam);
    }
    outcome.m_askForText = handling.m_askForText;
    return outcome;
}

void CImeSwitch::Follow(HWND window, bool off) {
    if (off == m_taken) {
        return;
    }
    if (off) {
        m_previous = ImmAssociateContext(window, nullptr);
        m_taken = true;
        return;
    }
    // Given back only while the window still has none: a context that its program gave it
    // meanwhile stays.
    if (const unique_himc current(window, ImmGetContext(window)); !current) {
        ImmAssociateContext(window, m_previous);
    }
    m_taken = false;
    m_previous = nullptr;
}
