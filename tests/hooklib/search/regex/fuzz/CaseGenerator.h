#pragma once
// Random patterns and names for comparing our engine with std::wregex: the ECMAScript subset
// users type (and some character soup), Migemo-shaped expressions with the search run's edits,
// and names of ASCII, Japanese and mixed-case text up to 259 characters.
#include <cstdint>
#include <optional>
#include <random>
#include <regex>
#include <string>

#include "search/regex/BoundedSearch.h"
#include "search/regex/Regex.h"

class CCaseGenerator {
  public:
    explicit CCaseGenerator(uint64_t seed) : m_random(seed) {}

    std::wstring Pattern();
    std::wstring TypedPattern();
    std::wstring MigemoPattern();
    std::wstring Name();

  private:
    size_t Below(size_t bound) { return static_cast<size_t>(m_random() % bound); }
    bool Chance(size_t percent) { return Below(100) < percent; }
    wchar_t Pick(std::wstring_view pool) { return pool[Below(pool.size())]; }

    std::wstring Disjunction(int depth);
    std::wstring Term(int depth);
    std::wstring Atom(int depth);
    std::wstring Quantifier();
    std::wstring Bracket();
    std::wstring Soup();
    std::wstring MigemoGroup(int depth);
    std::wstring MigemoWord();

    std::mt19937_64 m_random;
};

// One comparison: what std::wregex and our engine give for a pattern and a name.
struct CaseResult {
    bool m_agree = true;
    bool m_handled = false; // our engine compiled the pattern
    bool m_skipped = false; // the library ran out of its work limit (the case is not judged)
    bool m_cut = false;     // our engine ran out of a name's budget (nor is this case)
    std::wstring m_detail;  // on disagreement: both results
};

// Compiles both and compares validity; then compares the first match in name.
class CComparison {
  public:
    explicit CComparison(const std::wstring& pattern);
    bool Agree() const { return m_validityAgrees; }
    bool Handled() const { return m_ours.has_value(); }
    CaseResult Compare(const std::wstring& name) const;
    // The same for the two patterns searched together: this one's match, else second's.
    CaseResult CompareEither(const CComparison& second, const std::wstring& name) const;

  private:
    // Where the library finds the first match of the pattern in name, under a work limit.
    regex::EBoundedResult Reference(const std::wstring& name, regex::Span& found) const;

    std::optional<std::wregex> m_reference;
    std::optional<regex::CRegex> m_ours;
    bool m_validityAgrees = true;
};

std::wstring Printable(const std::wstring& text);
