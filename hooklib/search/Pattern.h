#pragma once
// The two patterns a search tests every item name against: the plain pattern, compiled from
// the typed text, and the Migemo pattern, compiled from the expression Migemo gives for it.
// Both are ECMAScript, case-insensitive, in the classic locale, and match as std::wregex does.
// Our engine (search/regex) runs them in time linear in the name; the few constructs it leaves
// to std::wregex (back-references, lookahead, "\x" and the like) run there under limits of
// size, stack and work. Either engine's search of a name spends steps from the pattern's work
// budget (see WorkBudget.h): a name whose search runs out of it does not match.
//
// What one keystroke may cost, whatever its text: a pattern compiles in time linear in the
// text, into an automaton of at most regex::kMaxNodes nodes; a pass of it over the names reads
// each name a few times over and spends at most kEngineBudget.m_pass + m_reserve steps
// (kLibraryBudget's for std::wregex) while there are at most m_pass / m_minOwn names; a
// keystroke makes at most two passes with two patterns each.
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "search/regex/BoundedSearch.h"
#include "search/regex/Regex.h"

class CMigemo;

class CPattern {
  public:
    // Steps of a pass, shared out among its names, and of its reserve (see WorkBudget.h); a
    // step is at most about a nanosecond natively. Most of a name is passed over without a
    // step, by a table of the characters at which a match may start. In a folder of 10,000
    // names each has 1,400 steps of our engine's of its own, enough to take some 150
    // characters through a learned automaton with a thread alive at each, or 2,400 of the
    // library's, enough for "(.)\\1" in a name of a dozen characters; in a folder of 2,000,
    // five times as much.
    static constexpr regex::BudgetLimits kEngineBudget{14'000'000, 1'000, 1'000'000, 1'000'000};
    static constexpr regex::BudgetLimits kLibraryBudget{24'000'000, 2'000, 8'000'000, 1'000'000};

    // The empty pattern: matches nothing.
    CPattern() = default;
    explicit CPattern(regex::CRegex engine)
        : m_engine(std::move(engine)), m_budget(kEngineBudget) {}
    // cost: what the library's searches of it cost besides their steps (see BoundedSearch).
    CPattern(std::wregex library, const regex::LibraryCost& cost)
        : m_library(std::move(library)), m_libraryCost(cost), m_budget(kLibraryBudget) {}

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

    // Starts a matching pass over names names: each has its share of kEngineBudget (or
    // kLibraryBudget) from now on. Without it, each name searched has m_maxOwn.
    void StartPass(size_t names) const { m_budget.StartPass(names); }
    // What the searches so far have spent, and the names they cut off.
    const regex::CWorkBudget& Budget() const { return m_budget; }

  private:
    friend class CPatternPair;
    std::optional<regex::CRegex> m_engine;
    std::optional<std::wregex> m_library;
    regex::LibraryCost m_libraryCost;
    // Spent by searches: a const pattern is searched.
    mutable regex::CWorkBudget m_budget;
};

// Two patterns searched together, name after name: in each, the first match of the first or,
// where it has none, that of the second. Both patterns must outlive the pair, which starts a
// matching pass over names names for each (see CPattern::StartPass).
class CPatternPair {
  public:
    CPatternPair(const CPattern& first, const CPattern& second, size_t names);

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

// Compiles text unchanged: what the user types is a regular expression. Invalid, or beyond the
// limits of both engines (see Compile in Pattern.cpp): the empty pattern.
CPattern BuildPlainPattern(const std::wstring& text);

// Migemo's expression edited for compiling: braces escaped, "^" put first when anchored, and
// everything from the last "|" on replaced by ")".
std::wstring EditMigemoExpression(const std::wstring& expression, bool anchored);

// No expression (no Migemo, or no result from it) or an invalid one: the empty pattern.
CPattern BuildMigemoPatternFromExpression(const std::optional<std::wstring>& expression,
                                          bool anchored);

// The Migemo pattern for query: the empty pattern without an adapter or without its result.
CPattern BuildMigemoPattern(CMigemo* migemo, const std::wstring& query, bool anchored);
