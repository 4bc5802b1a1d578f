#pragma once
// The two patterns a search tests every item name against: the plain pattern, compiled from
// the typed text, and the Migemo pattern, compiled from the expression Migemo gives for it.
// Both are ECMAScript, case-insensitive, in the classic locale, and match as std::wregex does.
// Our engine (search/regex) runs them in time linear in the name; the few constructs it leaves
// to std::wregex (back-references, lookahead, "\x" and the like) run under a work budget.
#include <cstdint>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "search/regex/BoundedSearch.h"
#include "search/regex/Regex.h"

class CMigemo;

class CPattern {
  public:
    // Work, in library steps, that the patterns left to std::wregex may spend in one matching
    // pass (some tens of milliseconds). Once it is spent, the remaining names do not match.
    static constexpr uint64_t kFallbackBudget = 4'000'000;

    // The empty pattern: matches nothing.
    CPattern() = default;
    explicit CPattern(regex::CRegex engine) : m_engine(std::move(engine)) {}
    explicit CPattern(std::wregex library)
        : m_library(std::move(library)),
          m_budget(std::make_unique<regex::CWorkBudget>(kFallbackBudget)) {}

    bool IsEmpty() const { return !m_engine && !m_library; }
    // The pattern runs on std::wregex under the budget.
    bool UsesLibrary() const { return m_library.has_value(); }

    // First match anywhere in name (up to its first NUL). On a match, the matched text goes to
    // matched. Not for use by two threads at once.
    bool Search(const std::wstring& name, std::wstring* matched = nullptr) const;
    // Where the first match in text (a name already cut by NameText) lies.
    std::optional<regex::Span> Find(std::wstring_view text) const;

    // Run by our engine, and "^" put before the pattern's text would match just where its
    // first match starts at the first character.
    bool CaretAnchorsWhole() const { return m_engine && m_engine->CaretAnchorsWhole(); }

  private:
    friend class CPatternPair;
    std::optional<regex::CRegex> m_engine;
    std::optional<std::wregex> m_library;
    std::unique_ptr<regex::CWorkBudget> m_budget;
};

// Two patterns searched together, name after name: in each, the first match of the first or,
// where it has none, that of the second. Both patterns must outlive the pair.
class CPatternPair {
  public:
    CPatternPair(const CPattern& first, const CPattern& second);

    // Inline: it runs once per name and keystroke.
    std::optional<regex::EitherMatch> Find(std::wstring_view text) const {
        if (m_engines) {
            return m_engines->Search(text);
        }
        return regex::FirstOfTwo([&] { return m_first.Find(text); },
                                 [&] { return m_second.Find(text); });
    }

  private:
    const CPattern& m_first;
    const CPattern& m_second;
    std::optional<regex::CEitherSearch> m_engines; // both run by our engine
};

// What of name is searched: the text up to its first NUL.
std::wstring_view NameText(const std::wstring& name);

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
