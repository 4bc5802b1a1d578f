#pragma once
// What key handling asks of the window system: which modifiers are held, when a key was typed,
// the input method editor, and the system's character classes. The hook passes the system's
// answers (CSystemKeyInput); tests pass their own, so the key logic runs without a window.
#include <cstdint>
#include <string>

class CKeyInput {
  public:
    enum class Modifier { Shift, Control };

    // Held while the key message being handled was typed (the message's own key state).
    virtual bool IsHeld(Modifier modifier) const = 0;
    // When the key message being handled was typed, on the millisecond clock of Now.
    virtual uint32_t KeyTime() const = 0;
    virtual uint32_t Now() const = 0;
    virtual bool IsImeOpen() const = 0;
    // True when the input method editor is closed now.
    virtual bool CloseIme() = 0;
    // The text the input method editor has just committed: the result string of the
    // composition message being handled.
    virtual std::wstring ImeResult() const = 0;
    // A letter, digit or punctuation mark that is neither a control nor a space character.
    virtual bool IsGraphic(wchar_t c) const = 0;
    // The character as the search text keeps it: letters lower case.
    virtual wchar_t Fold(wchar_t c) const = 0;
    // The unshifted character a virtual key types, as bindings name their key; 0 for none.
    virtual wchar_t KeyCharacter(uint32_t virtualKey) const = 0;

  protected:
    CKeyInput() = default;
    ~CKeyInput() = default;
};
