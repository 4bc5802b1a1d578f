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
// bound, so patterns with more are left to the standard library.
constexpr int kMaxCounters = 4;

struct Program {
    std::vector<Node> m_nodes;
    std::vector<CCharSet> m_sets;
    uint32_t m_start = 0;
    int m_counters = 0;
    bool m_positional = false;     // has "$", "\b" or "\B": steps depend on the neighbours
    bool m_lineBegin = false;      // has "^": the first position differs from the others
    bool m_topAlternation = false; // "a|b": a "^" put before it would anchor "a" alone
};

// Nothing when the pattern is not one this engine handles: back-references, lookahead, "\x",
// "\u", "\c", POSIX bracket classes, counts above a thousand, too many counted repeats or
// nodes, deep nesting, and anything the standard library rejects.
std::optional<Program> CompileProgram(std::wstring_view pattern);

} // namespace regex
