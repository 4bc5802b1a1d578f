#include "search/Pattern.h"

#include <algorithm>

#include "search/Migemo.h"

namespace {

constexpr auto kSyntax = std::regex_constants::ECMAScript | std::regex_constants::icase;

CPattern Compile(const std::wstring& text) {
    if (auto engine = regex::CRegex::Compile(text)) {
        return CPattern(std::move(*engine));
    }
    try {
        return CPattern(std::wregex(text, kSyntax));
    } catch (const std::exception&) {
        return CPattern();
    }
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
        return m_engine->Search(text);
    }
    regex::Span found{};
    if (m_library &&
        regex::BoundedSearch(*m_library, text, *m_budget, &found) == regex::EBoundedResult::Found) {
        return found;
    }
    return std::nullopt;
}

CPatternPair::CPatternPair(const CPattern& first, const CPattern& second)
    : m_first(first), m_second(second) {
    if (first.m_engine && second.m_engine) {
        m_engines.emplace(*first.m_engine, *second.m_engine);
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
