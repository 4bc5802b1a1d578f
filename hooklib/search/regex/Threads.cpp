// The thread simulation: threads stepped one by one over the text, in the order of the
// library's backtracking (see Regex.cpp), and the steps the automaton learns from it.
#include "search/regex/Runner.h"

namespace regex {

// Thread by thread from pos, with the threads in m_current; a match may start at every
// position until one is found.
std::optional<Span> CRegex::CRunner::RunThreads(size_t pos) {
    std::vector<Thread>& current = m_scratch.m_current;
    for (;; ++pos) {
        if (current.empty() && !m_match) {
            const size_t from = pos;
            pos = NextThreadStart(pos);
            if (pos != from) {
                NextGeneration(); // the marks were of the closures at from
            }
        }
        if (!m_scratch.Spend(kPositionSteps)) {
            return std::nullopt;
        }
        if (!m_match && Closure(m_program.m_start, static_cast<uint32_t>(pos), pos, current)) {
            m_match = Span{pos, pos};
        }
        if (m_scratch.Cut()) {
            return std::nullopt;
        }
        if (pos == m_text.size() || (m_match && current.empty())) {
            return m_match;
        }
        const uint32_t cls = m_compiled.ClassOf(ToChar(m_text[pos]));
        if (const auto begin = StepClass(pos, cls, nullptr, 0)) {
            m_match = Span{*begin, pos + 1};
        }
    }
}

// From pos, where a start may consume the character, or may match the empty string: the
// tables of starts, without the second character's.
size_t CRegex::CRunner::NextThreadStart(size_t pos) {
    if (pos == 0 && m_program.m_lineBegin) {
        if (m_text.empty() || m_compiled.MayStart(kFirstStart, ToChar(m_text[0]))) {
            return 0;
        }
        pos = 1;
    }
    return m_compiled.m_anchored ? m_text.size() : m_compiled.SkipToLaterStart(m_text, pos);
}

// Consumes a character of class cls at pos with every thread, in priority order, then with
// a start there (as startValue) when one is given. Gives the start of the thread that
// completed a match.
std::optional<uint32_t> CRegex::CRunner::StepClass(size_t pos, uint32_t cls, const StartStep* start,
                                                   uint32_t startValue) {
    std::vector<Thread>& current = m_scratch.m_current;
    std::vector<Thread>& next = m_scratch.m_next;
    NextGeneration();
    next.clear();
    std::optional<uint32_t> matched;
    for (const Thread& thread : current) {
        const Node& node = m_program.m_nodes[thread.m_node];
        if (!m_scratch.Spend(kThreadSteps)) {
            break;
        }
        if (m_compiled.Accepts(node.m_set, cls) &&
            Closure(node.m_next, thread.m_start, pos + 1, next)) {
            matched = thread.m_start;
            break; // every later thread has a lower priority
        }
    }
    if (start && !matched && m_scratch.Spend(kThreadSteps * start->m_nodes.size())) {
        for (const uint32_t node : start->m_nodes) {
            Emit(node, startValue, next);
        }
        matched = start->m_matched ? std::optional<uint32_t>(startValue) : std::nullopt;
    }
    current.swap(next);
    return matched;
}

// Follows every path from root that consumes nothing, in the library's order, appending
// the character nodes reached to out. True when a path reaches the match (the search stops
// there: what is not yet tried has a lower priority).
bool CRegex::CRunner::Closure(uint32_t root, uint32_t start, size_t pos, std::vector<Thread>& out) {
    std::vector<Item>& stack = m_scratch.m_stack;
    stack.clear();
    stack.push_back({root, 0});
    while (!stack.empty() && m_scratch.Spend(kVisitSteps)) {
        const Item item = stack.back();
        stack.pop_back();
        m_counts = item.m_counts;
        if (Visit(item.m_node, start, pos, out)) {
            return true;
        }
    }
    return false;
}

bool CRegex::CRunner::FirstVisit(uint32_t node) {
    uint32_t& mark = m_scratch.m_visited[(size_t{node} << m_scratch.m_countBits) | m_counts];
    const bool first = mark != m_scratch.m_generation;
    mark = m_scratch.m_generation;
    return first;
}

bool CRegex::CRunner::Visit(uint32_t index, uint32_t start, size_t pos, std::vector<Thread>& out) {
    if (!FirstVisit(index)) {
        return false;
    }
    const Node& node = m_program.m_nodes[index];
    switch (node.m_op) {
    case EOp::Match:
        return true;
    case EOp::Char:
        Emit(index, start, out);
        return false;
    case EOp::Alt:
        Push(node.m_next);
        Push(node.m_alt);
        return false;
    case EOp::Repeat:
        PushRepeat(node);
        return false;
    default:
        if (Holds(node.m_op, pos)) {
            Push(node.m_next);
        }
        return false;
    }
}

// Greedy: once more, then leave; lazy: the other way round. A counted repeat goes once more
// only twice at one position (std::regex's guard against empty loops); its count holds for
// what follows the extra iteration and is restored before leaving is tried.
void CRegex::CRunner::PushRepeat(const Node& node) {
    const int counter = node.m_counter; // NOLINT(bugprone-signed-char-misuse): -1 is none
    const uint32_t shift = counter < 0 ? 0 : 2 * static_cast<uint32_t>(counter);
    const uint32_t count = counter < 0 ? 0 : (m_counts >> shift) & 3;
    const auto pushMore = [&] {
        if (count < 2) {
            const uint32_t counts = counter < 0 ? m_counts : m_counts + (1u << shift);
            m_scratch.m_stack.push_back({node.m_alt, counts});
        }
    };
    if (node.m_lazy) {
        pushMore();
        Push(node.m_next);
    } else {
        Push(node.m_next);
        pushMore();
    }
}

bool CRegex::CRunner::IsWord(size_t pos) const {
    return pos < m_text.size() && classic::IsWordChar(ToChar(m_text[pos]));
}

bool CRegex::CRunner::Holds(EOp op, size_t pos) const {
    if (m_assumeAssertions && op != EOp::LineBegin) {
        return true;
    }
    switch (op) {
    case EOp::LineBegin:
        return pos == 0;
    case EOp::LineEnd:
        return pos == m_lineEndAt;
    case EOp::WordBoundary:
        return (pos > 0 && IsWord(pos - 1)) != IsWord(pos);
    case EOp::NotWordBoundary:
        return (pos > 0 && IsWord(pos - 1)) == IsWord(pos);
    default:
        return true;
    }
}
StartClosure CRegex::CRunner::ClosureOfStart(EStart kind) {
    m_assumeAssertions = !m_compiled.m_useMachine;
    const size_t pos = kind == kFirstStart ? 0 : 1;
    StartClosure closure;
    std::vector<Thread> reached;
    NextGeneration();
    m_lineEndAt = SIZE_MAX;
    closure.m_matches = Closure(m_program.m_start, 0, pos, reached);
    for (const Thread& thread : reached) {
        closure.m_nodes.push_back(thread.m_node);
    }
    NextGeneration();
    m_lineEndAt = pos;
    std::vector<Thread> atEnd;
    closure.m_matchesAtEnd = Closure(m_program.m_start, 0, pos, atEnd);
    return closure;
}

// The steps the automaton keeps, worked out by the threads.

// One step of the threads of state, each thread's start replaced by its index. Nothing
// when the search is cut off meanwhile.
std::optional<Move> CRegex::CRunner::ComputeMove(int32_t state, uint32_t cls, EStart kind,
                                                 bool atEnd) {
    std::vector<Thread>& current = m_scratch.m_current;
    current.clear();
    const std::vector<uint32_t>& nodes = m_learned.m_stateNodes[static_cast<size_t>(state)];
    for (size_t i = 0; i < nodes.size(); ++i) {
        current.push_back({nodes[i], static_cast<uint32_t>(i)});
    }
    const StartStep* start = kind == kNoStart ? nullptr : StepOf(kind, cls, atEnd);
    const size_t lineEndAt = m_lineEndAt;
    m_lineEndAt = atEnd ? 2 : SIZE_MAX; // after the character consumed at 1
    const std::optional<uint32_t> matchFrom = StepClass(1, cls, start, kInjected);
    m_lineEndAt = lineEndAt;
    // The lists copied and the state looked up.
    if (!m_scratch.Spend(2 * kThreadSteps * m_scratch.m_current.size())) {
        return std::nullopt;
    }
    Move move{0, matchFrom.value_or(kNoMatch), {}};
    std::vector<uint32_t> reached;
    for (const Thread& thread : m_scratch.m_current) {
        reached.push_back(thread.m_node);
        move.m_from.push_back(thread.m_start);
    }
    move.m_next = m_learned.Intern(std::move(reached));
    return move;
}

// Null when the search is cut off while it is worked out.
const StartStep* CRegex::CRunner::StepOf(EStart kind, uint32_t cls, bool atEnd) {
    StartSteps& steps = m_learned.m_startSteps[kind];
    int32_t& index = steps.m_stepIndex[Column(cls, atEnd)];
    if (index < 0) {
        StartStep step = ComputeStep(m_compiled.m_start[kind], cls, atEnd);
        if (m_scratch.Cut()) {
            return nullptr;
        }
        if (m_learned.Full()) {
            m_scratch.m_uncachedStep = std::move(step); // worked out again when met again
            return &m_scratch.m_uncachedStep;
        }
        m_learned.m_machineBytes += sizeof(StartStep) + step.m_nodes.size() * sizeof(uint32_t);
        index = static_cast<int32_t>(steps.m_steps.size());
        steps.m_steps.push_back(std::move(step));
    }
    return &steps.m_steps[static_cast<size_t>(index)];
}

StartStep CRegex::CRunner::ComputeStep(const StartClosure& closure, uint32_t cls, bool atEnd) {
    StartStep step;
    std::vector<Thread> reached;
    NextGeneration();
    const size_t lineEndAt = m_lineEndAt;
    m_lineEndAt = atEnd ? 1 : SIZE_MAX; // after the character consumed at 0
    for (const uint32_t start : closure.m_nodes) {
        const Node& node = m_program.m_nodes[start];
        if (!m_scratch.Spend(kThreadSteps)) {
            break;
        }
        if (m_compiled.Accepts(node.m_set, cls) && Closure(node.m_next, 0, 1, reached)) {
            step.m_matched = true;
            break;
        }
    }
    m_lineEndAt = lineEndAt;
    for (const Thread& thread : reached) {
        step.m_nodes.push_back(thread.m_node);
    }
    return step;
}

} // namespace regex
