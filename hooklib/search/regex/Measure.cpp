// The measures of the syntax tree's nodes: what our automaton and the library's will be for
// each, worked out from its children as the parser adds it.
#include <algorithm>
#include <optional>

#include "search/regex/Ast.h"

namespace regex {
namespace {

constexpr uint64_t kSaturated = uint64_t{1} << 40;

uint64_t Sum(uint64_t a, uint64_t b) {
    return std::min(a + b, kSaturated);
}
uint64_t Product(uint64_t a, uint64_t b) {
    return a == 0 || b <= kSaturated / a ? std::min(a * b, kSaturated) : kSaturated;
}

// What the library makes of a node, as its compiler builds it (regex_compiler.tcc): a state per
// character, class or assertion, two more per capturing group and one per other group, an end
// per alternative of a sequence, an alternative and an end per "|", a repeat per quantifier
// (and an end for "?"), and a counted repeat as its operand once as written and once per copy,
// with a repeat per optional copy. A path passes alternatives and lazy repeats without a step
// (their first move needs no position). measures: those of the node's children.
// NOLINTNEXTLINE(readability-function-cognitive-complexity): one case per kind of node
LibraryMeasure MeasureForLibrary(const Ast& ast, const std::vector<LibraryMeasure>& measures) {
    LibraryMeasure m{0, 0, SpentCost{1, 0, 0, 0, 0, 0, 0}};
    std::optional<SpentCost> choice;
    for (const uint32_t child : ast.m_children) {
        const LibraryMeasure& c = measures[child];
        m.m_states = Sum(m.m_states, c.m_states);
        m.m_stepless = Sum(m.m_stepless, c.m_stepless);
        m.m_spent = Then(m.m_spent, c.m_spent); // the children in a row
        choice = choice ? Either(*choice, c.m_spent) : c.m_spent;
    }
    const SpentCost body = m.m_spent;
    const uint64_t lazy = ast.m_lazy ? 1 : 0;
    switch (ast.m_kind) {
    case EKind::Empty:
    case EKind::Assert:
        m = {1, 0, Passing()};
        break;
    case EKind::Set:
        m = {1, 0, Blocking()};
        break;
    case EKind::Concat:
        m.m_states = Sum(m.m_states, 1);
        break;
    case EKind::Alt: {
        const uint64_t bars = ast.m_children.size() - 1;
        m = {Sum(m.m_states, 2 * bars), Sum(m.m_stepless, bars), *choice};
        break;
    }
    case EKind::Star:
    case EKind::Plus:
    case EKind::Opt:
        m = {Sum(m.m_states, ast.m_kind == EKind::Opt ? 2 : 1), Sum(m.m_stepless, lazy),
             ast.m_kind == EKind::Star   ? Loop(body)
             : ast.m_kind == EKind::Plus ? Then(body, Loop(body))
                                         : Maybe(body)};
        break;
    case EKind::Counted: {
        const bool unbounded = Unbounded(ast);
        const uint64_t optional = unbounded ? 0 : ast.m_max - ast.m_min;
        const uint64_t copies = unbounded ? ast.m_min + 1 : ast.m_max;
        m.m_states = Sum(Product(copies + 1, m.m_states), Sum(optional, 2));
        m.m_stepless = Sum(Product(copies, m.m_stepless), Product(lazy, unbounded ? 1 : optional));
        m.m_spent =
            Then(Times(body, ast.m_min), unbounded ? Loop(body) : Times(Maybe(body), optional));
        break;
    }
    case EKind::Library:
        // A back-reference or escape (one state), or a lookahead: its operand, an accept state
        // and the lookahead itself, which searches its operand and passes.
        m.m_states = Sum(m.m_states, ast.m_children.empty() ? 1 : 2);
        m.m_spent = ast.m_children.empty() ? Passing() : Lookahead(body);
        break;
    }
    if (ast.m_group == Ast::EGroup::Capturing) {
        m.m_states = Sum(m.m_states, 2);
        m.m_spent = Captured(m.m_spent);
    } else if (ast.m_group == Ast::EGroup::Plain) {
        m.m_states = Sum(m.m_states, 1);
    }
    return m;
}

} // namespace

// What our emitter builds for each node (see CEmitter in Emit.cpp): a node per character, class,
// assertion or empty part, an alternative node per "|" and one end, a repeat per quantifier
// (and an end for "?"), and a counted repeat as its copies with a repeat per optional copy.
void Measure(Ast& ast, const std::vector<Ast>& all) {
    uint64_t nodes = 0;
    uint32_t height = 0;
    bool allNullable = true;
    bool anyNullable = false;
    for (const uint32_t child : ast.m_children) {
        const Ast& c = all[child];
        nodes = Sum(nodes, c.m_nodes);
        height = std::max(height, c.m_height);
        allNullable = allNullable && c.m_nullable;
        anyNullable = anyNullable || c.m_nullable;
    }
    ast.m_height = height + 1;
    switch (ast.m_kind) {
    case EKind::Set:
        nodes = 1;
        allNullable = false;
        break;
    case EKind::Empty:
    case EKind::Assert:
    case EKind::Library: // never built here; a lookahead or a back-reference may match empty
        nodes = 1;
        allNullable = true;
        break;
    case EKind::Concat:
        break;
    case EKind::Alt:
        nodes = Sum(nodes, ast.m_children.size());
        allNullable = anyNullable;
        break;
    case EKind::Star:
    case EKind::Plus:
    case EKind::Opt:
        nodes = Sum(nodes, ast.m_kind == EKind::Opt ? 2 : 1);
        allNullable = ast.m_kind != EKind::Plus || allNullable;
        break;
    case EKind::Counted: {
        const bool unbounded = Unbounded(ast);
        const uint64_t optional = unbounded ? 0 : ast.m_max - ast.m_min;
        const uint64_t copies = unbounded ? ast.m_min + 1 : ast.m_max;
        nodes = Sum(Product(copies, nodes), Sum(optional, 2));
        allNullable = ast.m_min == 0 || allNullable;
        break;
    }
    }
    ast.m_nodes = nodes;
    ast.m_nullable = allNullable;
}

// Children come before their parents in the tree's list.
LibraryMeasure MeasureRootForLibrary(const std::vector<Ast>& ast, uint32_t root) {
    std::vector<LibraryMeasure> measures;
    measures.reserve(ast.size());
    for (const Ast& node : ast) {
        measures.push_back(MeasureForLibrary(node, measures));
    }
    return measures[root];
}

} // namespace regex
