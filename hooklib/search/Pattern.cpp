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

CPattern BuildPlainPattern(const std::wstring& text) {
    return Compile(text);
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
