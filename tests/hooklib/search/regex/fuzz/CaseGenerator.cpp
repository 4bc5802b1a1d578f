#include "CaseGenerator.h"

#include "search/Pattern.h"
#include "search/regex/BoundedSearch.h"

namespace {

constexpr std::wstring_view kLetters = L"abcxyzABCXYZ";
constexpr std::wstring_view kJapanese =
    L"\u304b\u304c\u30ab\u30ac\u6f22\u5b57\u3042\u30a2\u65e5\u672c";
constexpr std::wstring_view kOther = L"019_- .\uff41\uff21\u00e9\u00c9\u00df";
constexpr std::wstring_view kSoup = L"ab(|)*+?[]{}^$\\.-,0123:=!dDwWsSbB";

} // namespace

std::wstring CCaseGenerator::Pattern() {
    const size_t kind = Below(10);
    return kind < 5 ? TypedPattern() : kind < 9 ? MigemoPattern() : Soup();
}

std::wstring CCaseGenerator::TypedPattern() {
    std::wstring pattern = Disjunction(0);
    return Chance(15) ? L"^" + pattern : pattern;
}

std::wstring CCaseGenerator::Disjunction(int depth) {
    std::wstring text;
    const size_t terms = Below(depth == 0 ? 6 : 4);
    for (size_t i = 0; i < terms; ++i) {
        text += Term(depth);
    }
    if (Chance(depth == 0 ? 20 : 30)) {
        text += L"|" + Disjunction(depth + 1);
    }
    return text;
}

std::wstring CCaseGenerator::Term(int depth) {
    if (Chance(6)) {
        static const wchar_t* const assertions[] = {L"^", L"$", L"\\b", L"\\B"};
        return assertions[Below(4)];
    }
    std::wstring atom = Atom(depth);
    if (Chance(25)) {
        atom += Quantifier();
        if (Chance(5)) {
            atom += Quantifier();
        }
    }
    return atom;
}

std::wstring CCaseGenerator::Atom(int depth) {
    const size_t kind = Below(20);
    if (kind < 9) {
        return std::wstring(1, Pick(kind < 5 ? kLetters : kind < 7 ? kJapanese : kOther));
    }
    if (kind < 10) {
        return L".";
    }
    if (kind < 12) {
        static const wchar_t* const escapes[] = {L"\\d", L"\\w", L"\\s", L"\\D",  L"\\W",
                                                 L"\\S", L"\\.", L"\\(", L"\\{",  L"\\-",
                                                 L"\\n", L"\\t", L"\\0", L"\\\\", L"\\}"};
        return escapes[Below(std::size(escapes))];
    }
    if (kind < 15) {
        return Bracket();
    }
    if (depth >= 3) {
        return std::wstring(1, Pick(kLetters));
    }
    return (Chance(20) ? L"(?:" : L"(") + Disjunction(depth + 1) + L")";
}

std::wstring CCaseGenerator::Quantifier() {
    static const wchar_t* const quantifiers[] = {L"*",    L"+",    L"?",     L"{2}",
                                                 L"{0,}", L"{1,}", L"{0,2}", L"{1,3}",
                                                 L"{0}",  L"{3,}", L"{2,2}", L"{0,1}"};
    std::wstring text = quantifiers[Below(std::size(quantifiers))];
    return Chance(30) ? text + L"?" : text;
}

std::wstring CCaseGenerator::Bracket() {
    static const wchar_t* const items[] = {L"a",      L"B",
                                           L"x",      L"-",
                                           L"a-c",    L"A-Z",
                                           L"0-9",    L"\\d",
                                           L"\\w",    L"\\s",
                                           L"\\W",    L"Z-a",
                                           L"_",      L".",
                                           L"\\]",    L"\\-",
                                           L"^",      L"[",
                                           L"\\b",    L"\u304b-\u3053",
                                           L"\u6f22", L"\u00e0-\u00ff",
                                           L"*-/",    L"a--"};
    std::wstring text = Chance(30) ? L"[^" : L"[";
    const size_t count = Below(4) + (Chance(95) ? 1 : 0);
    for (size_t i = 0; i < count; ++i) {
        text += items[Below(std::size(items))];
    }
    return text + L"]";
}

std::wstring CCaseGenerator::Soup() {
    std::wstring text;
    const size_t length = 1 + Below(8);
    for (size_t i = 0; i < length; ++i) {
        text += Pick(kSoup);
    }
    return text;
}

// Shaped like the library's default output: groups of alternatives, bracketed alternatives
// for one character, escaped metacharacters, and braces that the search run escapes.
std::wstring CCaseGenerator::MigemoPattern() {
    std::wstring expression = MigemoGroup(0);
    for (size_t i = Below(3); i > 0; --i) {
        expression += Chance(50) ? MigemoGroup(1) : MigemoWord();
    }
    return EditMigemoExpression(expression, Chance(40));
}

std::wstring CCaseGenerator::MigemoGroup(int depth) {
    std::wstring text = L"(";
    const size_t alternatives = 1 + Below(6);
    for (size_t i = 0; i < alternatives; ++i) {
        if (i > 0) {
            text += L"|";
        }
        text += depth < 2 && Chance(20) ? MigemoWord() + MigemoGroup(depth + 1) : MigemoWord();
    }
    return text + L")";
}

std::wstring CCaseGenerator::MigemoWord() {
    std::wstring word;
    const size_t length = 1 + Below(4);
    for (size_t i = 0; i < length; ++i) {
        const size_t kind = Below(12);
        if (kind < 4) {
            word += Pick(kLetters);
        } else if (kind < 8) {
            word += Pick(kJapanese);
        } else if (kind < 10) {
            word += std::wstring(L"[") + Pick(kJapanese) + Pick(kJapanese) + L"]";
        } else {
            static const wchar_t* const specials[] = {L"\\.", L"\\+", L"{", L"}", L"\\(", L"\\|"};
            word += specials[Below(std::size(specials))];
        }
    }
    return word;
}

std::wstring CCaseGenerator::Name() {
    const size_t kind = Below(100);
    const size_t length = kind < 70 ? Below(21) : kind < 95 ? 20 + Below(41) : Below(260);
    const std::wstring_view pool = Chance(30) ? kLetters : Chance(50) ? kJapanese : kOther;
    std::wstring name;
    for (size_t i = 0; i < length; ++i) {
        const size_t which = Below(20);
        name += which < 12   ? Pick(pool)
                : which < 15 ? Pick(kLetters)
                : which < 19 ? Pick(kJapanese)
                : Chance(10) ? L'\n'
                             : Pick(kOther);
    }
    return name;
}

CComparison::CComparison(const std::wstring& pattern) {
    try {
        m_reference.emplace(pattern,
                            std::regex_constants::ECMAScript | std::regex_constants::icase);
    } catch (const std::regex_error&) {
    }
    m_ours = regex::CRegex::Compile(pattern);
    m_validityAgrees = m_reference.has_value() || !m_ours.has_value();
}

regex::EBoundedResult CComparison::Reference(const std::wstring& name, regex::Span& found) const {
    regex::CWorkBudget budget({4'000'000, 4'000'000, 4'000'000, 0});
    budget.OpenName();
    return regex::BoundedSearch(*m_reference, name, budget, {}, &found);
}

namespace {

// Our engine's search of name under the budget a matching pass gives each name; nothing when
// it is cut off.
std::optional<std::optional<regex::Span>> OursWithinBudget(const regex::CRegex& ours,
                                                           const std::wstring& name) {
    regex::CWorkBudget budget(CPattern::kEngineBudget);
    const std::optional<regex::Span> span = ours.Search(name, budget);
    return budget.CutNames() > 0 ? std::nullopt : std::optional(span);
}

} // namespace

namespace {

std::wstring Describe(const std::optional<regex::EitherMatch>& match) {
    if (!match) {
        return L"none";
    }
    return std::to_wstring(match->m_span.m_begin) + L"-" + std::to_wstring(match->m_span.m_end) +
           (match->m_second ? L" (second)" : L"");
}

// Compares our match with the library's; the names of a failed case show both.
void Judge(CaseResult& result, const std::optional<regex::EitherMatch>& expected,
           const std::optional<regex::EitherMatch>& ours) {
    result.m_agree = expected.has_value() == ours.has_value() &&
                     (!expected || (ours->m_span.m_begin == expected->m_span.m_begin &&
                                    ours->m_span.m_end == expected->m_span.m_end &&
                                    ours->m_second == expected->m_second));
    if (!result.m_agree) {
        result.m_detail = L"library " + Describe(expected) + L", ours " + Describe(ours);
    }
}

std::optional<regex::EitherMatch> AsMatch(regex::EBoundedResult found, regex::Span span,
                                          bool second) {
    return found == regex::EBoundedResult::Found ? std::optional(regex::EitherMatch{span, second})
                                                 : std::nullopt;
}

} // namespace

CaseResult CComparison::Compare(const std::wstring& name) const {
    CaseResult result;
    result.m_handled = m_ours.has_value();
    if (!m_reference || !m_ours) {
        return result;
    }
    regex::Span expected{};
    const auto reference = Reference(name, expected);
    if (reference == regex::EBoundedResult::OutOfBudget) {
        result.m_skipped = true;
        return result;
    }
    const auto ours = OursWithinBudget(*m_ours, name);
    if (!ours) {
        result.m_cut = true;
        return result;
    }
    Judge(result, AsMatch(reference, expected, false),
          *ours ? std::optional(regex::EitherMatch{**ours, false}) : std::nullopt);
    return result;
}

CaseResult CComparison::CompareEither(const CComparison& second, const std::wstring& name) const {
    CaseResult result;
    result.m_handled = m_ours && second.m_ours;
    if (!m_reference || !m_ours || !second.m_reference || !second.m_ours) {
        return result;
    }
    regex::Span firstSpan{}, secondSpan{};
    const auto first = Reference(name, firstSpan);
    const auto other = first == regex::EBoundedResult::NotFound ? second.Reference(name, secondSpan)
                                                                : regex::EBoundedResult::NotFound;
    if (first == regex::EBoundedResult::OutOfBudget ||
        other == regex::EBoundedResult::OutOfBudget) {
        result.m_skipped = true;
        return result;
    }
    const auto expected = first == regex::EBoundedResult::Found ? AsMatch(first, firstSpan, false)
                                                                : AsMatch(other, secondSpan, true);
    regex::CWorkBudget firstBudget(CPattern::kEngineBudget), secondBudget(CPattern::kEngineBudget);
    const auto ours =
        regex::CEitherSearch(*m_ours, *second.m_ours, firstBudget, secondBudget).Search(name);
    if (firstBudget.CutNames() + secondBudget.CutNames() > 0) {
        result.m_cut = true;
        return result;
    }
    Judge(result, expected, ours);
    return result;
}

std::wstring Printable(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7f && c != L'\\' && c != L'"') {
            out += c;
        } else {
            wchar_t buffer[12];
            swprintf(buffer, std::size(buffer), L"\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}
