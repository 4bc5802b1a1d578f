#pragma once
// The syntax tree the parser (Compile.cpp) builds, and what the rest of compiling works out from
// it: the measures of each node (Measure.cpp) and the automaton it emits (Emit.cpp). Private to
// compiling.
#include <cstdint>
#include <vector>

#include "search/regex/Program.h"
#include "search/regex/SpentCost.h"

namespace regex {

// Thrown when the pattern builds more than either engine may, or nests deeper than the stack
// allows: it matches nothing.
struct TooLarge {};
// Thrown by the emitter for a pattern this engine reads but should not run: the library does.
struct LeaveToLibrary {};

// Where the recursion of compiling must stop, on the calling thread.
uintptr_t CompileStackFloor();
// Throws TooLarge once the stack has come down to floor.
void CheckStack(uintptr_t floor);

// What a node costs the library: the states of its automaton, those a path passes without
// touching the text, and a spent search's work (SpentCost). Worked out only for a pattern that
// goes to the library.
struct LibraryMeasure {
    uint64_t m_states = 1;
    uint64_t m_stepless = 0;
    SpentCost m_spent;
};

struct Ast {
    enum class EKind { Empty, Set, Assert, Concat, Alt, Star, Plus, Opt, Counted, Library };
    EKind m_kind = EKind::Empty;
    EOp m_assert = EOp::Jump;
    uint32_t m_set = 0;
    std::vector<uint32_t> m_children;
    uint64_t m_min = 0;
    uint64_t m_max = UINT64_MAX; // no upper bound
    bool m_lazy = false;
    // Worked out when the node is added, from its children: our automaton's nodes for it, the
    // height of its tree, and whether it can match the empty string.
    uint64_t m_nodes = 1;
    uint32_t m_height = 1;
    bool m_nullable = true;
    // The node is what a group holds: a capturing group, or one with "(?:".
    enum class EGroup : uint8_t { None, Plain, Capturing };
    EGroup m_group = EGroup::None;
};
using EKind = Ast::EKind;

inline bool Unbounded(const Ast& ast) {
    return ast.m_max == UINT64_MAX;
}

// Sets the sizes of ast worked out from those of its children, which come before it in all:
// m_nodes, m_height, m_nullable.
void Measure(Ast& ast, const std::vector<Ast>& all);
// The library's measure of the tree's root.
LibraryMeasure MeasureRootForLibrary(const std::vector<Ast>& ast, uint32_t root);

// The automaton of the tree under root, with the character sets the tree's nodes refer to.
// Throws LeaveToLibrary or TooLarge.
Program EmitProgram(const std::vector<Ast>& ast, uint32_t root, std::vector<CCharSet> sets);

} // namespace regex
