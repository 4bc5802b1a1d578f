#include "search/Pattern.h"

#include "search/Migemo.h"

namespace {

constexpr auto kSyntax = std::regex_constants::ECMAScript | std::regex_constants::icase;

CPattern Compile(const std::wstring& text) {
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

bool CPattern::Search(const std::wstring& name, std::wstring* matched) const {
    if (!m_regex) {
        return false;
    }
    const size_t end = name.find(L'\0');
    const auto first = name.begin();
    const auto last = end == std::wstring::npos ? name.end() : name.begin() + static_cast<long>(end);
    try {
        std::wsmatch match;
        if (!std::regex_search(first, last, match, *m_regex)) {
            return false;
        }
        if (matched) {
            *matched = match.str(0);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

CPattern BuildPlainPattern(const std::wstring& text) { return Compile(text); }

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
