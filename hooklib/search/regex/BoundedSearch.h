#pragma once
// std::wregex with a work limit and a stack limit, for the patterns our engine does not handle.
//
// The library backtracks without bound, and it does so by recursion: each state on the path
// being tried is a frame on the stack (some 150 bytes), so a path through a loop that goes
// round once per character of the name takes hundreds of kilobytes. A search therefore counts
// every step it takes on the text (each character read, each move, comparison, copy or set-up
// of a position, each allocation of match state) against the name's budget, and at every step
// also looks at the stack: once either runs out, the search is given up and returns out of its
// recursion without going deeper (see CLibraryWork). What is left between two steps is a run
// of alternatives and lazy loops (LibraryCost::m_stepless), which BoundedSearch's callers keep
// short.
#include <cstdint>
#include <optional>
#include <regex>
#include <string_view>

#include "search/regex/Regex.h"
#include "search/regex/Stack.h"
#include "search/regex/WorkBudget.h"

namespace regex {

enum class EBoundedResult { Found, NotFound, OutOfBudget };

// Stack the library's recursion may use at most, below where the search starts (and never
// kStackReserve of the end).
constexpr size_t kLibraryStack = 512 << 10;

// First match of regex in text, as std::regex_search finds it, within the open name of budget
// and the stack. cost: what our parser worked out for the pattern: what its tests of characters
// cost, its automaton's size, and what its way back out of a search given up may try.
EBoundedResult BoundedSearch(const std::wregex& regex, std::wstring_view text, CWorkBudget& budget,
                             const LibraryCost& cost, Span* span = nullptr);

} // namespace regex
