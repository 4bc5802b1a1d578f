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

class CRegex {
  public:
    // Nothing when the pattern is not handled here (see CompileProgram).
    static std::optional<CRegex> Compile(std::wstring_view pattern);

    // The first match in text: the leftmost start, and there the match the library's
    // backtracking order finds first. Not for concurrent use of one object.
    std::optional<Span> Search(std::wstring_view text) const;

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
};

} // namespace regex
