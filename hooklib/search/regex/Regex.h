#pragma once
// A compiled pattern with the first-match semantics of std::wregex (ECMAScript, icase, classic
// locale) for the patterns CompileProgram handles, in time linear in the text:
// O(text length x automaton size x 3^counted repeats) per search, with at most kMaxCounters
// counted repeats and kMaxNodes nodes. That bound is not small, so every search also counts its
// work in steps of a budget (WorkBudget.h) and stops where the budget ends: the work of a search
// is at most what its budget gives it, besides a few readings of the text.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "search/regex/Program.h"
#include "search/regex/WorkBudget.h"

namespace regex {

// Characters below this are looked up in tables of a pattern; beyond, they always may start a
// match.
constexpr Char kTableChars = 0x10000;

inline bool HasBit(const uint64_t* bits, Char c) {
    return (bits[c / 64] >> (c % 64)) & 1;
}

// The first position from pos whose character may start a match (a bit of mayStart, a bit per
// character below kTableChars), or the text's end.
inline size_t SkipToStart(std::wstring_view text, size_t pos, const uint64_t* mayStart) {
    for (; pos < text.size(); ++pos) {
        const Char c = ToChar(text[pos]);
        if (c >= kTableChars || HasBit(mayStart, c)) {
            return pos;
        }
    }
    return pos;
}

struct Span {
    size_t m_begin;
    size_t m_end;
};

// A match of one of two patterns searched together.
struct EitherMatch {
    Span m_span;
    bool m_second; // the second pattern's: the first has no match
};

// The match findFirst gives or, where it gives none, the one findSecond gives.
template <typename FindFirst, typename FindSecond>
std::optional<EitherMatch> FirstOfTwo(FindFirst findFirst, FindSecond findSecond) {
    if (const std::optional<Span> span = findFirst()) {
        return EitherMatch{*span, false};
    }
    const std::optional<Span> span = findSecond();
    return span ? std::optional(EitherMatch{*span, true}) : std::nullopt;
}

class CRegex {
  public:
    // Nothing when the pattern is not handled here (see CompileProgram).
    static std::optional<CRegex> Compile(std::wstring_view pattern);
    // Nothing when its sets make more than 64K classes.
    static std::optional<CRegex> Build(Program program);

    // The first match in text: the leftmost start, and there the match the library's
    // backtracking order finds first. Not for concurrent use of one object. Unless the tables
    // of first characters reject it at once, text is a name of budget's pass, whose steps it
    // takes: a visit of a node while the paths that consume nothing are followed, a thread
    // tried on a character, a thread carried through a learned step of the automaton (see
    // Tables.h for what each costs). Nothing once the name's budget is spent: it is cut off.
    std::optional<Span> Search(std::wstring_view text, CWorkBudget& budget) const;
    // Without limit.
    std::optional<Span> Search(std::wstring_view text) const;

    // "^" put before the pattern would match just where the pattern's first match starts at
    // the first character (it has no alternation at its top).
    bool CaretAnchorsWhole() const { return !m_program.m_topAlternation; }

    // Bytes held by the compiled pattern (automaton, character classes, tables).
    size_t CompiledBytes() const;

    CRegex(const CRegex&) = delete;
    CRegex& operator=(const CRegex&) = delete;
    CRegex(CRegex&&) noexcept;
    CRegex& operator=(CRegex&&) noexcept;
    ~CRegex();

  private:
    friend class CEitherSearch;
    struct Tables;
    class CRunner;
    // classStarts: where each character class of the program's sets begins (ClassStarts).
    CRegex(Program program, std::vector<Char> classStarts);

    Program m_program;
    std::unique_ptr<Tables> m_tables;
    // Every position is a later start, passed over by one table: no "^", run by the automaton.
    bool m_scansAlike = false;
};

// Two patterns searched together in many texts: in each, the first match of the first pattern
// or, where it has none, that of the second. The positions at which neither may start are
// passed over once for both, inline: most names hold a match of neither. Each pattern's steps
// are taken from its budget, every text being one of their pass's names; one cut off counts as
// not matching. The patterns and budgets must outlive this; not for concurrent use of either.
class CEitherSearch {
  public:
    CEitherSearch(const CRegex& first, const CRegex& second, CWorkBudget& firstBudget,
                  CWorkBudget& secondBudget);
    CEitherSearch(const CEitherSearch&) = delete;
    CEitherSearch& operator=(const CEitherSearch&) = delete;
    ~CEitherSearch() = default;

    std::optional<EitherMatch> Search(std::wstring_view text) const {
        if (!m_together || text.empty()) {
            return SearchApart(text);
        }
        const size_t pos = SkipToEitherStart(text, 0);
        return pos == text.size() ? std::nullopt : SearchFrom(text, pos);
    }

  private:
    size_t SkipToEitherStart(std::wstring_view text, size_t pos) const {
        return SkipToStart(text, pos, m_eitherMayStart.data());
    }
    std::optional<EitherMatch> SearchFrom(std::wstring_view text, size_t pos) const;
    std::optional<EitherMatch> SearchApart(std::wstring_view text) const;

    const CRegex& m_first;
    const CRegex& m_second;
    CWorkBudget& m_firstBudget;
    CWorkBudget& m_secondBudget;
    // Both run by the automaton with every position a later start, as the scan assumes.
    bool m_together;
    // A bit per character below kTableChars at which either may start.
    std::vector<uint64_t> m_eitherMayStart;
};

} // namespace regex
