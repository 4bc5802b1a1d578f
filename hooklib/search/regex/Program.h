#pragma once
// The automaton a pattern compiles to. It has the shape the standard library's ECMAScript
// compiler builds (one repeat node per quantifier, a copy of the operand per counted
// repetition), so that walking it in the library's order gives the library's first match.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "search/regex/CharSet.h"

namespace regex {

enum class EOp : uint8_t {
    Match,
    Char,            // consumes one character of m_set
    Jump,            // to m_next
    Alt,             // m_alt first, then m_next
    Repeat,          // "once more" is m_alt, "leave" is m_next; lazy tries leaving first
    LineBegin,       // "^": only at the start of the text
    LineEnd,         // "$": only at its end
    WordBoundary,    // "\b"
    NotWordBoundary, // "\B"
};

struct Node {
    EOp m_op = EOp::Jump;
    bool m_lazy = false;
    // For a repeat node that an empty iteration can reach again at the same position: its
    // index among the counted repeats, else -1.
    int8_t m_counter = -1;
    uint32_t m_next = 0;
    uint32_t m_alt = 0;
    uint32_t m_set = 0;
};

// Repeats whose empty iterations are counted; each count adds a factor of three to the work
// of a step and of four to the marks of visited nodes, so patterns with more are left to the
// standard library, as are those whose marks would take more than kMaxMarks.
constexpr int kMaxCounters = 4;
constexpr size_t kMaxMarks = 1 << 18;

struct Program {
    std::vector<Node> m_nodes;
    std::vector<CCharSet> m_sets;
    uint32_t m_start = 0;
    int m_counters = 0;
    bool m_lineEnd = false;        // has "$": a step depends on whether the text ends after it
    bool m_wordBoundary = false;   // has "\b" or "\B": a step depends on the neighbours
    bool m_lineBegin = false;      // has "^": the first position differs from the others
    bool m_topAlternation = false; // "a|b": a "^" put before it would anchor "a" alone
};

// Bounds of what the standard library builds and does for a pattern left to it, worked out by
// our parser (the library's compiler has the same structure: see Measure.cpp).
struct LibraryCost {
    uint64_t m_states = 0;   // states of its automaton: each search sets up a table of them
    uint64_t m_stepless = 0; // states a path may pass without touching the text (see BoundedSearch)
    uint64_t m_spentWork = 0; // states a spent search tries on the way back from a frame (the same)
    uint64_t m_spentDepth = 0; // and frames it goes deeper meanwhile
    uint32_t m_height = 0;     // nesting of the pattern: the library's compiler recurses as deep
    uint64_t m_readSteps = 0;  // what the library's slowest test of a character costs, in steps
};

enum class ECompiled {
    Engine,  // this engine runs it
    Library, // read, but with what only the library does (back-references, lookahead, POSIX
             // bracket classes) or beyond this engine's limits on empty loops; the cost is
             // bounded by m_library
    Unread,  // not read here (mostly invalid): the library decides; its cost is unknown
    TooLarge // more automaton than either may build, or deeper nesting: matches nothing
};

struct Compiled {
    ECompiled m_kind = ECompiled::Unread;
    std::optional<Program> m_program; // for Engine
    LibraryCost m_library;            // for Library
};

// Time and memory linear in the pattern's length and in the automaton it builds, which is at
// most kMaxNodes; recursion as deep as the pattern's nesting, which is at most kMaxHeight.
Compiled CompileProgram(std::wstring_view pattern);

constexpr size_t kMaxNodes = 50000;
constexpr uint32_t kMaxHeight = 200;

} // namespace regex
