#pragma once
// A compiled pattern with the first-match semantics of std::wregex (ECMAScript, icase, classic
// locale) for the patterns CompileProgram handles, in time linear in the text:
// O(text length x automaton size x 3^counted repeats) per search, with at most kMaxCounters
// counted repeats.
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "search/regex/Program.h"

namespace regex {

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

    // The first match in text: the leftmost start, and there the match the library's
    // backtracking order finds first. Not for concurrent use of one object.
    std::optional<Span> Search(std::wstring_view text) const;

    // The first match of first in text or, where first has none, that of second. The
    // positions at which neither may start are passed over once for both: most names hold a
    // match of neither. Not for concurrent use of either object.
    static std::optional<EitherMatch> SearchEither(const CRegex& first, const CRegex& second,
                                                   std::wstring_view text);

    // "^" put before the pattern would match just where the pattern's first match starts at
    // the first character (it has no alternation at its top).
    bool CaretAnchorsWhole() const { return !m_program.m_topAlternation; }

    // Bytes held by the compiled pattern (automaton, character classes, tables).
    size_t CompiledBytes() const;

    CRegex(CRegex&&) noexcept;
    CRegex& operator=(CRegex&&) noexcept;
    ~CRegex();

  private:
    struct Tables;
    class CRunner;
    explicit CRegex(Program program);

    Program m_program;
    std::unique_ptr<Tables> m_tables;
    // Every position is a later start, passed over by one table: no "^", run by the automaton.
    bool m_scansAlike = false;
};

} // namespace regex
