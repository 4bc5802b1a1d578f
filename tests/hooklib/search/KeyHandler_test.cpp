#include "search/KeyHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "harness/SettingsGuard.h"
#include "harness/TestViewCtrl.h"
#include "search/SearchRun.h"
#include "settings/SharedBlock.h"

namespace {

using Modifier = CKeyInput::Modifier;

constexpr uint32_t kEscape = 0x1B;
constexpr uint32_t kBackspace = 0x08;
// The key of a character that SendInput types as itself (KEYEVENTF_UNICODE).
constexpr uint32_t kPacketKey = 0xE7;
// A key the input method editor took for its composition.
constexpr uint32_t kProcessKey = 0xE5;
const std::wstring kPair = L"\xD842\xDFB7"; // U+20BB7, as two UTF-16 messages

// The system as the key logic sees it: modifiers the test holds, a clock the test moves, an
// input method editor that may refuse to close, and ASCII character classes.
class CFakeKeyInput final : public CKeyInput {
  public:
    bool IsHeld(Modifier modifier) const override {
        return modifier == Modifier::Shift ? m_shift : m_control;
    }
    uint32_t KeyTime() const override { return m_now - m_queuedMs; }
    uint32_t Now() const override { return m_now; }
    bool IsImeOpen() const override { return m_imeOpen; }
    bool CloseIme() override {
        m_imeOpen = !m_imeCloses;
        return m_imeCloses;
    }
    bool IsGraphic(wchar_t c) const override { return c > L' ' && c < 0x7F; }
    wchar_t Fold(wchar_t c) const override {
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    }
    wchar_t KeyCharacter(uint32_t virtualKey) const override {
        return IsGraphic(static_cast<wchar_t>(virtualKey)) ? static_cast<wchar_t>(virtualKey) : 0;
    }
    std::wstring ImeResult() const override { return m_imeResult; }

    bool m_shift = false;
    bool m_control = false;
    // Starts near the wrap of the millisecond count, which pauses must survive.
    uint32_t m_now = 0xFFFFF000;
    // How long the key message being handled waited in the queue after it was typed.
    uint32_t m_queuedMs = 0;
    bool m_imeOpen = false;
    bool m_imeCloses = true;
    std::wstring m_imeResult;
};

// One step of a row, made by the functions below.
struct Step {
    enum Kind { Type, Pause, Key, Backdated, Ime, Settings, Names, Units, ImeText } m_kind;
    std::wstring m_text;
    uint32_t m_value = 0;
    void (*m_apply)() = nullptr;
};
// Characters typed with their keys, 40 ms apart.
Step Type(std::wstring text) {
    return {Step::Type, std::move(text)};
}
Step Pause(uint32_t ms) {
    return {Step::Pause, {}, ms};
}
// A virtual key pressed with modifiers (S Shift, C Ctrl, A Alt) and no character, or followed by
// the character TranslateMessage makes of it (WM_SYSCHAR with Alt).
Step Press(std::wstring modifiers, uint32_t key, wchar_t made = 0) {
    return {Step::Key, std::move(modifiers) + L'=' + made, key};
}
// UTF-16 units typed as SendInput types characters: each a key of its own and its WM_CHAR.
Step Units(std::wstring units) {
    return {Step::Units, std::move(units)};
}
// The input method editor commits text after a key it took: as one result string (committed),
// or as one WM_IME_CHAR per unit.
Step Commit(std::wstring text, bool asResult = true) {
    return {Step::ImeText, std::move(text), asResult ? 1u : 0u};
}
// The next characters' keys were typed ms before they are handled (they waited in the queue).
Step Backdated(uint32_t ms) {
    return {Step::Backdated, {}, ms};
}
// Settings changed before the next keys.
Step Set(void (*apply)()) {
    return {Step::Settings, {}, 0, apply};
}
// The view holds Japanese names from here on (read at the next reset).
Step Japanese() {
    return {Step::Names, {}};
}
// The input method editor is open; it refuses to close unless closes.
Step OpenIme(bool closes) {
    return {Step::Ime, {}, closes ? 1u : 0u};
}

const ItemNames kLatin{L"alpha.txt",  L"beta.txt", L"gamma.txt",
                       L"alpine.doc", L"alps.txt", L"\U00020BB7\u7530.txt"};
const ItemNames kJapanese{L"kenji.txt", L"\u65e7\u691c\u7d22.txt", L"\u691c\u7d22\u7d50\u679c.txt",
                          L"\u65e5\u672c\u8a9e.md", L"notes.txt"};

// The window's search state over a test view, fed the steps through the key logic.
struct CKeyDriver : SearchCore {
    explicit CKeyDriver(ItemNames names) {
        auto ctrl = std::make_unique<CTestViewCtrl>(std::move(names));
        m_view = ctrl.get();
        m_pCtrl = std::move(ctrl);
    }
    void OnNoMatch() override { ++m_searches; }
    void OnSelected(const Candidate&) override { ++m_searches; }

    KeyHandling Send(KeyMessage message, uint32_t code) {
        const KeyHandling handling = HandleKey(m_input, *this, message, code);
        if (message != KeyMessage::KeyDown && message != KeyMessage::SysKeyDown) {
            m_log += handling.m_charTaken ? L'+' : L'-';
        } else if (handling.m_keyTaken) {
            m_log += L'k';
        }
        if (handling.m_askForText) {
            m_log += L'?';
        }
        return handling;
    }
    void TypeChar(wchar_t c) {
        // A letter's virtual key is its upper case; the other keys used here are their character.
        const bool lower = c >= L'a' && c <= L'z';
        m_input.m_shift = c >= L'A' && c <= L'Z';
        Send(KeyMessage::KeyDown, lower ? c - L'a' + L'A' : c);
        Send(KeyMessage::Char, c);
        m_input.m_shift = false;
        m_input.m_now += 40;
    }
    // modifiers, "=" and the character the key makes, if any.
    void PressKey(const std::wstring& keys, uint32_t key) {
        const std::wstring modifiers = keys.substr(0, keys.find(L'='));
        m_input.m_shift = modifiers.find(L'S') != std::wstring::npos;
        m_input.m_control = modifiers.find(L'C') != std::wstring::npos;
        const bool alt = modifiers.find(L'A') != std::wstring::npos;
        Send(alt ? KeyMessage::SysKeyDown : KeyMessage::KeyDown, key);
        if (const wchar_t made = keys.back(); made != 0) {
            Send(alt ? KeyMessage::SysChar : KeyMessage::Char, made);
        }
        m_input.m_shift = m_input.m_control = false;
    }
    void CommitText(const std::wstring& text, bool asResult) {
        Send(KeyMessage::KeyDown, kProcessKey);
        if (asResult) {
            m_input.m_imeResult = text;
            Send(KeyMessage::ImeResult, 0);
        }
        if (!asResult) {
            for (const wchar_t c : text) {
                Send(KeyMessage::ImeChar, c);
            }
        }
    }
    void Run(const Step& step) {
        switch (step.m_kind) {
        case Step::Type:
            for (const wchar_t c : step.m_text) {
                TypeChar(c);
            }
            m_input.m_queuedMs = 0;
            break;
        case Step::Pause:
            m_input.m_now += step.m_value;
            break;
        case Step::Key:
            PressKey(step.m_text, step.m_value);
            break;
        case Step::Backdated:
            m_input.m_queuedMs = step.m_value;
            break;
        case Step::Ime:
            m_input.m_imeOpen = true;
            m_input.m_imeCloses = step.m_value != 0;
            break;
        case Step::Settings:
            step.m_apply();
            break;
        case Step::Names:
            m_view->m_names = kJapanese;
            break;
        case Step::Units:
            for (const wchar_t c : step.m_text) {
                Send(KeyMessage::KeyDown, kPacketKey);
                Send(KeyMessage::Char, c);
            }
            break;
        case Step::ImeText:
            CommitText(step.m_text, step.m_value != 0);
            break;
        }
    }

    CFakeKeyInput m_input;
    CTestViewCtrl* m_view = nullptr;
    std::wstring m_log; // as Row::m_log
    int m_searches = 0;
};

struct Row {
    const char* m_name;
    std::vector<Step> m_steps;
    std::wstring m_text;      // the search text after the steps
    std::set<int> m_selected; // the view's selection after the steps
    // Per character message (typed, Alt's, the input method's, a committed text), + consumed,
    // - went on to the window; k a key was consumed; ? the input dialog was asked for.
    std::wstring m_log;
    bool m_imeOpen = false; // the input method editor is open after the steps
    int m_searches = -1;    // search runs, when counted
};

void CtrlJNext() {
    Shared.KeyBind_Next = KEYBIND_CTRL | L'J';
}
void DisableIme() {
    Shared.DisableIme = 1;
}
void EnableLength5() {
    Shared.EnableLength = 5;
}
void MigemoByShift() {
    Shared.SwitchMigemoByShift = 1;
}

const Row kRows[] = {
    {"TypingSelectsTheFirstMatchLowered", {Type(L"gAm")}, L"gam", {2}, L"+++"},
    {"PauseWithinTheIntervalContinues",
     {Type(L"be"), Pause(1450), Type(L"t")},
     L"bet",
     {1},
     L"+++"},
    {"PauseBeyondTheIntervalStartsAfresh",
     {Type(L"bet"), Pause(1600), Type(L"alp")},
     L"alp",
     {0},
     L"++++++"},
    {"KeyThatWaitedInTheQueueContinues",
     {Type(L"b"), Pause(3000), Backdated(2960), Type(L"e")},
     L"be",
     {1},
     L"++"},
    // The input binding's reset ran late; a key typed before it follows it with no pause, and
    // the next pause counts from the reset.
    {"KeyTypedBeforeALateResetFollowsIt",
     {Type(L"bet"), Pause(3000), Press(L"A", 'I'), Backdated(1000), Type(L"x"), Pause(1360),
      Type(L"y")},
     L"xy",
     {0},
     L"+++?++"},
    {"EscapeStartsAfresh",
     {Type(L"bet"), Press(L"", kEscape), Type(L"alps")},
     L"alps",
     {4},
     L"+++++++"},
    {"AltNextMovesToTheNextCandidate", {Type(L"al"), Press(L"A", 'N')}, L"al", {3}, L"++"},
    {"AltNextWrapsAround",
     {Type(L"al"), Press(L"A", 'N'), Press(L"A", 'N'), Press(L"A", 'N')},
     L"al",
     {0},
     L"++"},
    {"ShiftAltNextMovesBack", {Type(L"al"), Press(L"SA", 'N')}, L"al", {4}, L"++"},
    {"AltBackMovesBack",
     {Type(L"al"), Press(L"A", 'N'), Press(L"A", 'N'), Press(L"A", 'B')},
     L"al",
     {3},
     L"++"},
    {"ShiftAltBackMovesOn", {Type(L"al"), Press(L"SA", 'B')}, L"al", {3}, L"++"},
    {"AltSelectAllSelectsEveryCandidate", {Type(L"al"), Press(L"A", 'S')}, L"al", {0, 3, 4}, L"++"},
    {"AltInputStartsAfreshAndAsksForText", {Type(L"bet"), Press(L"A", 'I')}, L"", {1}, L"+++?"},
    {"CtrlBindingFires", {Set(CtrlJNext), Type(L"al"), Press(L"C", 'J')}, L"al", {3}, L"++"},
    {"CtrlBindingNeedsCtrlAndAltIsNotIt",
     {Set(CtrlJNext), Type(L"al"), Press(L"", 'J'), Press(L"A", 'J'), Press(L"A", 'N')},
     L"al",
     {0},
     L"++"},
    {"TwoBindingsWithOneValueBothFire",
     {Set([] { Shared.KeyBind_SelAll = Shared.KeyBind_Next; }), Type(L"al"), Press(L"A", 'N')},
     L"al",
     {0, 3, 4},
     L"++"},
    {"LeadingSpaceAndControlsPassSpaceWithinIsTaken",
     {Type(L" al\x13\r p\t")},
     L"al p",
     {0},
     L"-++--++-"},
    {"DigitsAndPunctuationAreTaken", {Type(L"a.5")}, L"a.5", {0}, L"+++"},
    {"BackspaceKeyIsNotABinding", {Type(L"al"), Press(L"A", kBackspace)}, L"al", {0}, L"++"},
    {"OpenImeIsClosedFirst", {Set(DisableIme), OpenIme(true), Type(L"be")}, L"be", {1}, L"++"},
    {"ImeThatWillNotCloseGetsTheKeys",
     {Set(DisableIme), Type(L"b"), OpenIme(false), Type(L"e")},
     L"b",
     {1},
     L"+-",
     true},
    {"OpenImeIsLeftWhenDisableImeIsOff", {OpenIme(true), Type(L"be")}, L"be", {1}, L"++", true},
    // A binding is one key: its character goes with it, and no other.
    {"AltBindingTakesItsSysChar", {Type(L"al"), Press(L"A", 'N', L'n')}, L"al", {3}, L"+++"},
    {"CtrlBindingTakesItsControlChar",
     {Set(CtrlJNext), Type(L"al"), Press(L"C", 'J', L'\n')},
     L"al",
     {3},
     L"+++"},
    {"UnboundKeysKeepTheirCharacters",
     {Type(L"al"), Press(L"A", 'X', L'x'), Press(L"C", 'K', L'\v')},
     L"al",
     {0},
     L"++--"},
    {"ABindingWithoutACharacterTakesNoOther",
     {Type(L"al"), Press(L"A", 'N'), Type(L"p")},
     L"alp",
     {0},
     L"+++"},
    // Backspace edits a text being typed; otherwise it is the window's.
    {"BackspaceTakesBackTheLastCharacter",
     {Type(L"alpi"), Press(L"", kBackspace, L'\b')},
     L"alp",
     {0},
     L"++++k+"},
    {"BackspaceToEmptySelectsNothingNew",
     {Type(L"b"), Press(L"", kBackspace, L'\b')},
     L"",
     {1},
     L"+k+"},
    {"TypingGoesOnAfterBackspace",
     {Type(L"bx"), Press(L"", kBackspace, L'\b'), Type(L"e")},
     L"be",
     {1},
     L"++k++"},
    {"BackspaceAfterAPauseIsTheWindows",
     {Type(L"al"), Pause(1600), Press(L"", kBackspace, L'\b')},
     L"",
     {0},
     L"++-"},
    {"BackspaceWithoutTextIsTheWindows", {Press(L"", kBackspace, L'\b')}, L"", {}, L"-"},
    {"BackspaceTakesAWholePair",
     {Type(L"al"), Units(kPair), Press(L"", kBackspace, L'\b')},
     L"al",
     {0},
     L"++++k+"},
    // A character beyond the basic plane comes as two messages: the first waits for the second.
    {"SurrogatePairIsOneCharacter", {Units(kPair + L".")}, L"\U00020BB7.", {5}, L"+++", false, 2},
    {"LoneHalvesAreDroppedNeverPassed",
     {Units(L"\xD842"), Type(L"al"), Units(L"\xDFB7\xD842\xD842"), Type(L"p")},
     L"alp",
     {0},
     L"+++++++"},
    // What the input method editor commits is typed text.
    {"CommittedTextIsSearchedOnce", {Commit(kPair + L".")}, L"\U00020BB7.", {5}, L"+", false, 1},
    {"ImeCharactersAreTypedText", {Commit(L"AL", false)}, L"al", {0}, L"++"},
    {"CommittedTextContinuesTypedText", {Type(L"al"), Commit(L"ps")}, L"alps", {4}, L"+++"},
    {"ComposingKeysKeepTheTextGoing",
     {Type(L"al"), Pause(1000), Press(L"", kProcessKey), Pause(1000), Commit(L"pi")},
     L"alpi",
     {3},
     L"+++"},
    {"CommittedLeadingSpaceIsTheWindows", {Commit(L" ")}, L"", {}, L"-"},
    // The real Migemo library and dictionary match romaji against kanji and kana.
    {"RomajiSelectsKanji",
     {Japanese(), Type(L"kensaku"), Press(L"A", 'N')},
     L"kensaku",
     {2},
     L"+++++++"},
    {"MigemoTakesPartFromEnableLength",
     {Japanese(), Set(EnableLength5), Type(L"kens")},
     L"kens",
     {0},
     L"++++"},
    {"MigemoTakesPartAtEnableLength",
     {Japanese(), Set(EnableLength5), Type(L"kensa")},
     L"kensa",
     {1},
     L"+++++"},
    {"WithoutShiftOnlyThePlainPattern",
     {Japanese(), Set(MigemoByShift), Type(L"kensa")},
     L"kensa",
     {0},
     L"+++++"},
    {"ShiftChoosesMigemo",
     {Japanese(), Set(MigemoByShift), Type(L"kensA")},
     L"kensa",
     {1},
     L"+++++"},
    {"PriorForwardMatchPutsNamesStartingWithTheMatchFirst",
     {Japanese(), Set([] { Shared.PriorForwardMatch = 1; }), Type(L"kensaku"), Press(L"A", 'N')},
     L"kensaku",
     {1},
     L"+++++++"},
};

// Failures name the row, not its bytes.
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.m_name;
}

class KeyHandler : public ::testing::TestWithParam<Row> {
  protected:
    CSettingsGuard m_guard;
};

TEST_P(KeyHandler, Row) {
    const Row& row = GetParam();
    Shared.InputInterval = 1500;
    CKeyDriver driver(kLatin);
    for (const Step& step : row.m_steps) {
        driver.Run(step);
    }
    EXPECT_EQ(driver.m_searchText, row.m_text);
    EXPECT_EQ(driver.m_view->m_selected, row.m_selected);
    EXPECT_EQ(driver.m_log, row.m_log);
    EXPECT_EQ(driver.m_input.m_imeOpen, row.m_imeOpen);
    if (row.m_searches >= 0) {
        EXPECT_EQ(driver.m_searches, row.m_searches);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyHandler, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.m_name); });

// Each search reads the view's names afresh; when they cannot be read, none of an earlier read
// is left to stand for another item of the view, and typed characters go on to the window.
TEST(KeyHandler_Reset, NamesAreReadAfreshAndAFailedReadLeavesNone) {
    CKeyDriver driver({L"alpha", L"beta"});
    ResetSearch(driver, 0);
    ASSERT_EQ(driver.m_itemNames.size(), 2u);
    EXPECT_EQ(driver.m_itemNames[1], L"beta");
    driver.m_view->m_names = {L"gamma"};
    ResetSearch(driver, 0);
    ASSERT_EQ(driver.m_itemNames.size(), 1u);
    EXPECT_EQ(driver.m_itemNames[0], L"gamma");
    driver.m_view->m_readFails = true;
    ResetSearch(driver, 0);
    EXPECT_TRUE(driver.m_itemNames.empty());
    EXPECT_FALSE(driver.Send(KeyMessage::Char, L'g').m_charTaken);
}

} // namespace
