#pragma once
// The two patterns a search tests every item name against: the plain pattern, compiled from
// the typed text, and the Migemo pattern, compiled from the expression Migemo gives for it.
// Both are ECMAScript, case-insensitive, in the classic locale.
#include <optional>
#include <regex>
#include <string>

class CMigemo;

class CPattern {
  public:
    // The empty pattern: matches nothing.
    CPattern() = default;
    explicit CPattern(std::wregex regex) : m_regex(std::move(regex)) {}

    bool IsEmpty() const { return !m_regex.has_value(); }

    // First match anywhere in name (up to its first NUL). On a match, the matched text goes to
    // matched. A failure of the regular-expression library while searching counts as no match.
    bool Search(const std::wstring& name, std::wstring* matched = nullptr) const;

  private:
    std::optional<std::wregex> m_regex;
};

// Compiles text unchanged: what the user types is a regular expression. Invalid: empty pattern.
CPattern BuildPlainPattern(const std::wstring& text);

// Migemo's expression edited for compiling: braces escaped, "^" put first when anchored, and
// everything from the last "|" on replaced by ")".
std::wstring EditMigemoExpression(const std::wstring& expression, bool anchored);

// No expression (no Migemo, or no result from it) or an invalid one: the empty pattern.
CPattern BuildMigemoPatternFromExpression(const std::optional<std::wstring>& expression,
                                          bool anchored);

// The Migemo pattern for query: the empty pattern without an adapter or without its result.
CPattern BuildMigemoPattern(CMigemo* migemo, const std::wstring& query, bool anchored);
