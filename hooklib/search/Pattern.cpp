#include "search/Pattern.h"

#include <algorithm>

#include "search/Migemo.h"

namespace {

constexpr auto kSyntax = std::regex_constants::ECMAScript | std::regex_constants::icase;

// What std::wregex is given at most. Its compiler recurses once per term of a sequence and a
// few times per level of nesting; its automaton sets the cost of every search (see
// BoundedSearch); states it passes without a step lie beyond the stack check; and what it
// tries once a search is spent makes the way back out of its recursion: beyond these, loops
// that may go round empty are nested too deep, or alternatives pile up.
constexpr size_t kMaxLibraryText = 512;
constexpr uint64_t kMaxLibraryStates = 512;
constexpr uint64_t kMaxSteplessStates = 128;
constexpr uint64_t kMaxSpentWork = 32;
constexpr uint64_t kMaxSpentDepth = 64;
// A text our parser does not read is given to it only when short and without quantifiers, so
// that what it builds and tries is bounded by the text: mostly it reports an error.
constexpr size_t kMaxUnreadText = 64;
// The stack the library's compiler takes at most, per term and per level of nesting (measured
// at a third of this, natively and under Wine).
constexpr size_t kLibraryStackPerChar = 384;
constexpr size_t kLibraryStackPerLevel = 1536;

bool LibraryMayTake(const std::wstring& text, const regex::LibraryCost& cost) {
    return text.size() <= kMaxLibraryText && cost.m_states <= kMaxLibraryStates &&
           cost.m_stepless <= kMaxSteplessStates && cost.m_spentWork <= kMaxSpentWork &&
           cost.m_spentDepth <= kMaxSpentDepth;
}

// Compiled by std::wregex, where its compiler has the stack it needs; the empty pattern when it
// has not, or when the text is not valid.
CPattern CompileByLibrary(const std::wstring& text, const regex::LibraryCost& cost) {
    const size_t stack = text.size() * kLibraryStackPerChar + cost.m_height * kLibraryStackPerLevel;
    if (regex::StackLeft() < stack + regex::kStackReserve) {
        return CPattern();
    }
    try {
        return CPattern(std::wregex(text, kSyntax), cost);
    } catch (const std::exception&) {
        return CPattern();
    }
}

CPattern Compile(const std::wstring& text) {
    regex::Compiled compiled = regex::CompileProgram(text);
    switch (compiled.m_kind) {
    case regex::ECompiled::Engine:
        if (auto engine = regex::CRegex::Build(std::move(*compiled.m_program))) {
            return CPattern(std::move(*engine));
        }
        return CPattern();
    case regex::ECompiled::Library:
        return LibraryMayTake(text, compiled.m_library) ? CompileByLibrary(text, compiled.m_library)
                                                        : CPattern();
    case regex::ECompiled::Unread: {
        if (text.size() > kMaxUnreadText || text.find_first_of(L"*+?{") != std::wstring::npos) {
            return CPattern();
        }
        // Each character makes a few states at most, and a way back of a few more; each level
        // of nesting takes two characters.
        const uint64_t length = text.size();
        return CompileByLibrary(text, {4 * length + 16, length, 2 * length + 2, 2 * length + 2,
                                       static_cast<uint32_t>(length / 2 + 1), 128});
    }
    case regex::ECompiled::TooLarge:
        break;
    }
    return CPattern();
}

// "." as one character of a UTF-16 name: a surrogate pair whole before any single unit.
constexpr wchar_t kAnyCharacter[] = L"(?:[\xD800-\xDBFF][\xDC00-\xDFFF]|.)";

bool IsPairAt(std::wstring_view text, size_t i) {
    return i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
           text[i + 1] <= 0xDFFF;
}

// Just past the "]" that closes the bracket opened at open (ECMAScript: the first one not
// escaped, even right after the "["), or the text's end.
size_t BracketEnd(std::wstring_view text, size_t open) {
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == L'\\') {
            ++i;
        } else if (text[i] == L']') {
            return i + 1;
        }
    }
    return text.size();
}

// The grammar reads a wide text unit by unit, and a name holds a character beyond the basic
// plane as a surrogate pair: a pair outside a bracket becomes a group, so a quantifier after it
// repeats the whole character, and with dots "." takes a pair whole, so no match ends between
// the halves. Escapes and brackets are copied as they are (a pair within a bracket stands for its
// halves).
std::wstring WithWholePairs(std::wstring_view text, bool dots) {
    std::wstring whole;
    whole.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t end = i + (IsPairAt(text, i) ? 2 : 1);
        if (text[i] == L'\\') {
            end = std::min(text.size(), i + 1 + (IsPairAt(text, i + 1) ? 2 : 1));
            whole.append(text.substr(i, end - i));
        } else if (text[i] == L'[') {
            end = BracketEnd(text, i);
            whole.append(text.substr(i, end - i));
        } else if (dots && text[i] == L'.') {
            whole += kAnyCharacter;
        } else if (end - i == 2) {
            whole.append(L"(?:").append(text.substr(i, 2)).append(L")");
        } else {
            whole += text[i];
        }
        i = end;
    }
    return whole;
}

std::wstring EscapeAll(const std::wstring& text, wchar_t brace) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c == brace) {
            escaped += L'\\';
        }
        escaped += c;
    }
    return escaped;
}

} // namespace

std::wstring_view NameText(const std::wstring& name) {
    return std::wstring_view(name.c_str(), std::min(name.size(), name.find(L'\0')));
}

bool CPattern::Search(const std::wstring& name, std::wstring* matched) const {
    const std::wstring_view text = NameText(name);
    const std::optional<regex::Span> span = Find(text);
    if (span && matched) {
        matched->assign(text.substr(span->m_begin, span->m_end - span->m_begin));
    }
    return span.has_value();
}

std::optional<regex::Span> CPattern::Find(std::wstring_view text) const {
    if (m_engine) {
        return m_engine->Search(text, m_budget);
    }
    if (!m_library) {
        return std::nullopt;
    }
    m_budget.OpenName();
    regex::Span found{};
    if (regex::BoundedSearch(*m_library, text, m_budget, m_libraryCost, &found) ==
        regex::EBoundedResult::Found) {
        return found;
    }
    return std::nullopt;
}

CPatternPair::CPatternPair(const CPattern& first, const CPattern& second, size_t names)
    : m_first(first), m_second(second) {
    first.StartPass(names);
    second.StartPass(names);
    if (first.m_engine && second.m_engine) {
        m_engines.emplace(*first.m_engine, *second.m_engine, first.m_budget, second.m_budget);
    }
}

// Our engine runs the whole-character "." in time linear in the name; std::wregex, which
// backtracks, is given "." as one unit, for which its limits are measured.
CPattern BuildPlainPattern(const std::wstring& text) {
    CPattern whole = Compile(WithWholePairs(text, true));
    if (!whole.IsEmpty() && !whole.UsesLibrary()) {
        return whole;
    }
    return Compile(WithWholePairs(text, false));
}

std::wstring EditMigemoExpression(const std::wstring& expression, bool anchored) {
    std::wstring edited = EscapeAll(EscapeAll(expression, L'{'), L'}');
    if (anchored) {
        edited.insert(0, 1, L'^');
    }
    const size_t bar = edited.rfind(L'|');
    if (bar != std::wstring::npos) {
        edited.erase(bar);
        edited += L')';
    }
    return edited;
}

CPattern BuildMigemoPatternFromExpression(const std::optional<std::wstring>& expression,
                                          bool anchored) {
    if (!expression) {
        return CPattern();
    }
    return Compile(EditMigemoExpression(*expression, anchored));
}

CPattern BuildMigemoPattern(CMigemo* migemo, const std::wstring& query, bool anchored) {
    if (migemo == nullptr) {
        return CPattern();
    }
    return BuildMigemoPatternFromExpression(migemo->Query(query), anchored);
}
