// The engine behind CRegex: how a search finds the first match the library would.
//
// Threads. The program (Program.h) is an automaton of nodes in the shape the library's
// ECMAScript compiler builds. A thread is a character node waiting for the next character,
// with the position where its match began. The closure of a node follows every path from it
// that consumes nothing (alternatives, repeats, assertions, jumps) depth first, in the order
// the library's backtracking tries them: an alternative's left branch before its right, a
// greedy repeat's "once more" before "leave", a lazy one's the other way round. It lists the
// character nodes it reaches in that order and stops at the first path that reaches the match.
//
// Priority. The threads are kept in the order the library would try them (a Pike machine).
// A character steps each thread in turn, appending its closure after those of the threads
// before it, and a start at that position comes last. A node reached a second time is dropped:
// from there the earlier path, of higher priority, gets wherever this one would, so the
// library never takes this one to a match. When a thread's closure reaches the match, the
// threads after it are dropped (the library would have stopped before them), while those
// before it go on and may still give the match the library finds first; starts stop with the
// first match, which makes it the leftmost. A repeat whose operand can match the empty string
// counts its empty iterations as the library does (Node::m_counter): the marks of visited
// nodes then hold the counts too.
//
// The automaton. Without counted repeats or word boundaries, a step depends only on the list of the
// threads' nodes, the class of the character (Tables.h: the sets split the characters into
// classes), whether and which start may be added (EStart) and, with "$", whether the text ends
// after the character. A state of the automaton is such a list, in priority order. The automaton is
// built lazily: a step met for the first time is worked out by the threads and kept as a Move (the
// next state, where each of its threads came from, which one matched), so the positions where
// matches began travel beside the states. The learned states and steps are kept for later names in
// LearnedCache until they take kMaxMachineBytes; from then on no step is added (nor kept a start's
// step), and a search that meets a step not learned goes on thread by thread from the state it is
// in (ResumeThreads).
//
// Prefilters. Most names hold no match, so most of them never reach a step: a bit per
// character below kTableChars tells whether a start may consume it, and SkipToStart passes
// over the positions where none may; for the automaton, a row learned per class of a first
// character tells which classes a second may be of (MayFollow). CRegex::Search rejects a name
// by the first table alone before it opens the name's budget, and CEitherSearch skips the
// positions of two patterns in one pass. Patterns run thread by thread use the first table only,
// worked out as if every assertion but "^" held.
//
// The work budget (WorkBudget.h). Every piece of work takes steps from the budget of the name
// being searched (kCharSteps and the like in Tables.h), learning included. Once a name's
// steps are spent the budget cuts it off: each loop stops at its next check, the search gives
// no match, and nothing it was working out is kept for later names.
#include "search/regex/Regex.h"

#include "search/regex/Runner.h"

namespace regex {

// The automaton.

std::optional<Span> CRegex::CRunner::Run(size_t from) {
    if (m_compiled.m_useMachine) {
        return RunMachine(from);
    }
    m_scratch.m_current.clear();
    NextGeneration();
    return RunThreads(0);
}

std::optional<Span> CRegex::CRunner::RunMachine(size_t from) {
    m_scratch.m_starts.clear();
    int32_t state = kEmptyState;
    for (size_t pos = from;; ++pos) {
        if (state == kEmptyState && !m_match) {
            pos = NextStart(pos);
        }
        const EStart kind = m_match ? kNoStart : StartAt(pos);
        if (pos == m_text.size() || (state == kEmptyState && kind == kNoStart)) {
            return EmptyStartMatch(kind, pos);
        }
        const uint32_t cls = m_compiled.ClassOf(ToChar(m_text[pos]));
        const bool atEnd = pos + 1 == m_text.size();
        const Move* move = LearnedMove(state, cls, kind, atEnd);
        if (!move) {
            move = MoveOf(state, cls, kind, atEnd);
        }
        if (!move || !m_scratch.Spend(kCharSteps + move->m_from.size())) {
            return m_scratch.Cut() ? std::nullopt : ResumeThreads(state, pos);
        }
        EmptyStartMatch(kind, pos);
        Follow(*move, pos);
        state = move->m_next;
    }
}

std::optional<Span> CRegex::CRunner::EmptyStartMatch(EStart kind, size_t pos) {
    const StartClosure& start = m_compiled.m_start[kind];
    if (kind != kNoStart && (pos == m_text.size() ? start.m_matchesAtEnd : start.m_matches)) {
        m_match = Span{pos, pos};
    }
    return m_match;
}

void CRegex::CRunner::Follow(const Move& move, size_t pos) {
    std::vector<uint32_t>& starts = m_scratch.m_starts;
    const auto startOf = [&](uint32_t from) {
        return from == kInjected ? static_cast<uint32_t>(pos) : starts[from];
    };
    if (move.m_matchFrom != kNoMatch) {
        m_match = Span{startOf(move.m_matchFrom), pos + 1};
    }
    std::vector<uint32_t>& next = m_scratch.m_nextStarts;
    next.clear();
    for (const uint32_t from : move.m_from) {
        next.push_back(startOf(from));
    }
    starts.swap(next);
}

// The automaton is full: the threads of state go on one by one from pos.
std::optional<Span> CRegex::CRunner::ResumeThreads(int32_t state, size_t pos) {
    std::vector<Thread>& current = m_scratch.m_current;
    current.clear();
    NextGeneration();
    const std::vector<uint32_t>& nodes = m_learned.m_stateNodes[static_cast<size_t>(state)];
    for (size_t i = 0; i < nodes.size(); ++i) {
        current.push_back({nodes[i], m_scratch.m_starts[i]});
        m_scratch.m_emitted[nodes[i]] = m_scratch.m_generation;
    }
    return RunThreads(pos);
}

// The move learned for a character of cls in state, or null.
const Move* CRegex::CRunner::LearnedMove(int32_t state, uint32_t cls, EStart kind,
                                         bool atEnd) const {
    const std::vector<uint32_t>& edges = m_learned.m_edges[kind];
    const size_t edge = static_cast<size_t>(state) * m_compiled.m_columns + Column(cls, atEnd);
    return edge < edges.size() && edges[edge] != 0 ? &m_learned.m_moves[edges[edge] - 1] : nullptr;
}

// Learns the move for a character of cls in state: null when the automaton is full, or
// when the search is cut off meanwhile.
const Move* CRegex::CRunner::MoveOf(int32_t state, uint32_t cls, EStart kind, bool atEnd) {
    std::vector<uint32_t>& edges = m_learned.m_edges[kind];
    const size_t columns = m_compiled.m_columns;
    const size_t edge = static_cast<size_t>(state) * columns + Column(cls, atEnd);
    if (m_learned.Full()) {
        return nullptr;
    }
    if (edge >= edges.size()) {
        const size_t size = (static_cast<size_t>(state) + 1) * columns;
        m_learned.m_machineBytes += (size - edges.size()) * sizeof(uint32_t);
        edges.resize(size);
    }
    std::optional<Move> computed = ComputeMove(state, cls, kind, atEnd);
    if (!computed) {
        return nullptr;
    }
    Move& move = *computed;
    m_learned.m_machineBytes += sizeof(Move) + move.m_from.size() * sizeof(uint32_t);
    m_learned.m_moves.push_back(std::move(move));
    edges[edge] = static_cast<uint32_t>(m_learned.m_moves.size());
    return &m_learned.m_moves.back();
}

// The prefilters.

bool CRegex::CRunner::SecondMayFollow(size_t pos) {
    return MayFollow(m_program, m_tables, StartAt(pos), m_text, pos);
}

// The character after pos may go on from a start of kind at pos.
bool CRegex::CRunner::MayFollow(const Program& program, Tables& tables, EStart kind,
                                std::wstring_view text, size_t pos) {
    const CompiledTables& compiled = tables.m_compiled;
    const uint32_t cls = compiled.ClassOf(ToChar(text[pos]));
    int32_t row = tables.m_learned.m_follow[kind][cls];
    if (row == kUnknownFollow) {
        row = LearnFollowRow(program, tables, kind, cls);
    }
    if (row == kAnyFollow) {
        return true;
    }
    if (pos + 1 == text.size()) {
        return program.m_lineEnd; // the start may match with "$" after its character
    }
    return compiled.RowHas(tables.m_learned.m_followRows, static_cast<size_t>(row),
                           compiled.ClassOf(ToChar(text[pos + 1])));
}

// Out of line: once per class and pattern, beside a check made at most characters of a
// name. Uses the tables' scratch: not while a runner has threads alive.
int32_t CRegex::CRunner::LearnFollowRow(const Program& program, Tables& tables, EStart kind,
                                        uint32_t cls) {
    const int32_t row = CRunner(program, tables, {}).ComputeFollowRow(kind, cls);
    if (!tables.m_scratch.Cut()) {
        tables.m_learned.m_follow[kind][cls] = row;
    }
    return row;
}

// The classes the character nodes a start reaches with a character of cls accept.
// A cut-off search is let go on to its next step, where it stops.
int32_t CRegex::CRunner::ComputeFollowRow(EStart kind, uint32_t cls) {
    const StartStep* step = StepOf(kind, cls, false);
    std::vector<uint64_t>& rows = m_learned.m_followRows;
    const size_t words = m_compiled.m_words;
    if (!step || m_compiled.m_start[kind].m_matches || step->m_matched ||
        (rows.size() + words) * sizeof(uint64_t) > kMaxFollowBytes ||
        !m_scratch.Spend(kThreadSteps * step->m_nodes.size() + words)) {
        return kAnyFollow;
    }
    const size_t offset = rows.size();
    rows.resize(offset + words, 0);
    for (const uint32_t node : step->m_nodes) {
        const size_t set = m_program.m_nodes[node].m_set;
        const std::vector<CompiledTables::ClassRange>& ranges = m_compiled.m_ranges;
        for (uint32_t r = m_compiled.m_setRanges[set]; r < m_compiled.m_setRanges[set + 1]; ++r) {
            SetBits(rows.data() + offset, ranges[r].m_first, ranges[r].m_last);
        }
    }
    return static_cast<int32_t>(offset / words);
}

// The first position from pos at which a match may start: the bit tables skip the
// characters nothing starts with, and a start whose next character no match can take is
// passed over too (in names, most starts are such). The text's end when there is none.
size_t CRegex::CRunner::NextStart(size_t pos) {
    if (pos == 0 && m_program.m_lineBegin) {
        if (m_text.empty() ||
            (m_compiled.MayStart(kFirstStart, ToChar(m_text[0])) && SecondMayFollow(0))) {
            return 0;
        }
        pos = 1;
    }
    if (m_compiled.m_anchored) {
        return m_text.size();
    }
    for (;; ++pos) {
        pos = m_compiled.SkipToLaterStart(m_text, pos);
        if (pos == m_text.size() || SecondMayFollow(pos)) {
            return pos;
        }
    }
}

// A match of regex may start at the later position pos of text: its character may start
// one, and the next character may go on from there. Needs no runner: most names are
// rejected by this alone.
bool CRegex::CRunner::MayStartLater(const CRegex& regex, std::wstring_view text, size_t pos) {
    return regex.m_tables->m_compiled.MayStart(kLaterStart, ToChar(text[pos])) &&
           MayFollow(regex.m_program, *regex.m_tables, kLaterStart, text, pos);
}

// The pattern.

CRegex::CRegex(Program program, std::vector<Char> classStarts)
    : m_program(std::move(program)), m_tables(std::make_unique<Tables>()) {
    CompiledTables& compiled = m_tables->m_compiled;
    compiled.BuildClasses(m_program.m_sets, std::move(classStarts));
    compiled.m_useMachine = m_program.m_counters == 0 && !m_program.m_wordBoundary;
    compiled.m_contexts = m_program.m_lineEnd ? 2 : 1;
    compiled.m_columns = compiled.m_classStart.size() * compiled.m_contexts;
    m_tables->m_scratch.Size(m_program);
    // Part of compiling: a closure from the start visits each node once per count of its
    // repeats.
    CWorkBudget unlimited;
    unlimited.OpenName();
    m_tables->m_scratch.m_budget = &unlimited;
    CRunner runner(m_program, *m_tables, {});
    for (const EStart kind : {kLaterStart, kFirstStart}) {
        compiled.m_start[kind] = runner.ClosureOfStart(kind);
    }
    const StartClosure& later = compiled.m_start[kLaterStart];
    compiled.m_anchored = later.m_nodes.empty() && !later.m_matches;
    compiled.MarkStarts(m_program, kLaterStart);
    compiled.MarkStarts(m_program, kFirstStart);
    m_tables->m_learned.Start(compiled);
    m_tables->m_scratch.m_budget = nullptr;
    m_scansAlike = compiled.m_useMachine && !m_program.m_lineBegin && !m_program.m_lineEnd &&
                   !compiled.m_anchored;
}

CRegex::CRegex(CRegex&&) noexcept = default;
CRegex& CRegex::operator=(CRegex&&) noexcept = default;
CRegex::~CRegex() = default;

std::optional<CRegex> CRegex::Compile(std::wstring_view pattern) {
    Compiled compiled = CompileProgram(pattern);
    if (!compiled.m_program) {
        return std::nullopt;
    }
    return Build(std::move(*compiled.m_program));
}

std::optional<CRegex> CRegex::Build(Program program) {
    std::vector<Char> classStarts = ClassStarts(program.m_sets);
    // Class numbers are 16 bits wide in the character table.
    if (classStarts.size() > 0xFFFF) {
        return std::nullopt;
    }
    return CRegex(std::move(program), std::move(classStarts));
}

std::optional<Span> CRegex::Search(std::wstring_view text) const {
    CWorkBudget unlimited;
    return Search(text, unlimited);
}

std::optional<Span> CRegex::Search(std::wstring_view text, CWorkBudget& budget) const {
    size_t from = 0;
    const CompiledTables& compiled = m_tables->m_compiled;
    if (compiled.m_useMachine) {
        // Most names hold no character at which a match may start: rejected by the tables
        // alone, before the name's budget is opened or any search state is set up.
        from = compiled.FirstTableStart(m_program, text);
        if (from == text.size() && !text.empty() && !compiled.m_start[kLaterStart].m_matchesAtEnd) {
            return std::nullopt;
        }
    }
    budget.OpenName();
    m_tables->m_scratch.m_budget = &budget;
    CRunner runner(m_program, *m_tables, text);
    if (compiled.m_useMachine) {
        from = runner.NextStart(from);
        if (budget.NameCut() || (from == text.size() && !text.empty() && !runner.MatchesAtEnd())) {
            return std::nullopt;
        }
    }
    const std::optional<Span> span = runner.Run(from);
    return budget.NameCut() ? std::nullopt : span;
}

CEitherSearch::CEitherSearch(const CRegex& first, const CRegex& second, CWorkBudget& firstBudget,
                             CWorkBudget& secondBudget)
    : m_first(first), m_second(second), m_firstBudget(firstBudget), m_secondBudget(secondBudget),
      m_together(first.m_scansAlike && second.m_scansAlike) {
    if (m_together) {
        const std::vector<uint64_t>& firstBits = first.m_tables->m_compiled.m_mayStart[kLaterStart];
        const std::vector<uint64_t>& secondBits =
            second.m_tables->m_compiled.m_mayStart[kLaterStart];
        m_eitherMayStart.resize(firstBits.size());
        for (size_t w = 0; w < firstBits.size(); ++w) {
            m_eitherMayStart[w] = firstBits[w] | secondBits[w];
        }
    }
}

std::optional<EitherMatch> CEitherSearch::SearchApart(std::wstring_view text) const {
    return FirstOfTwo([&] { return m_first.Search(text, m_firstBudget); },
                      [&] { return m_second.Search(text, m_secondBudget); });
}

// From pos, the first position at which either may start. A first pattern cut off counts as
// not matching, as it does searched alone.
std::optional<EitherMatch> CEitherSearch::SearchFrom(std::wstring_view text, size_t pos) const {
    using CRunner = CRegex::CRunner;
    CWorkBudget& first = m_firstBudget;
    CWorkBudget& second = m_secondBudget;
    first.OpenName();
    second.OpenName();
    m_first.m_tables->m_scratch.m_budget = &first;
    m_second.m_tables->m_scratch.m_budget = &second;
    std::optional<size_t> secondStart;
    for (;; ++pos) {
        pos = SkipToEitherStart(text, pos);
        if (pos == text.size()) {
            break;
        }
        if (!secondStart && CRunner::MayStartLater(m_second, text, pos)) {
            secondStart = pos;
        }
        if (CRunner::MayStartLater(m_first, text, pos)) {
            const std::optional<Span> span =
                CRunner(m_first.m_program, *m_first.m_tables, text).Run(pos);
            if (span && !first.NameCut()) {
                return EitherMatch{*span, false};
            }
            break; // nothing of the first starts here or later, or it was cut off
        }
    }
    // Where the second may first start: found on the way, or not before pos.
    const size_t from = secondStart.value_or(pos);
    if (from == text.size() || second.NameCut()) {
        return std::nullopt;
    }
    const std::optional<Span> span =
        CRunner(m_second.m_program, *m_second.m_tables, text).Run(from);
    if (span && !second.NameCut()) {
        return EitherMatch{*span, true};
    }
    return std::nullopt;
}

size_t CRegex::CompiledBytes() const {
    size_t bytes = sizeof(*this) + sizeof(Tables) + m_program.m_nodes.size() * sizeof(Node);
    for (const CCharSet& set : m_program.m_sets) {
        bytes += sizeof(set) + set.Intervals().size() * sizeof(CCharSet::Interval);
    }
    const CompiledTables& c = m_tables->m_compiled;
    const LearnedCache& l = m_tables->m_learned;
    const SearchScratch& s = m_tables->m_scratch;
    bytes +=
        c.m_tableChars * sizeof(uint16_t) + c.m_classStart.size() * sizeof(Char) +
        c.m_ranges.size() * sizeof(CompiledTables::ClassRange) +
        c.m_setRanges.size() * sizeof(uint32_t) +
        (c.m_mayStart[kLaterStart].size() + c.m_mayStart[kFirstStart].size()) * sizeof(uint64_t) +
        (l.m_follow[kLaterStart].size() + l.m_follow[kFirstStart].size()) * sizeof(int32_t) +
        l.m_followRows.size() * sizeof(uint64_t) +
        (s.m_visited.size() + s.m_emitted.size()) * sizeof(uint32_t);
    for (const EStart kind : {kNoStart, kLaterStart, kFirstStart}) {
        const StartSteps& steps = l.m_startSteps[kind];
        bytes += (c.m_start[kind].m_nodes.size() + steps.m_stepIndex.size()) * sizeof(uint32_t);
        for (const StartStep& step : steps.m_steps) {
            bytes += sizeof(step) + step.m_nodes.size() * sizeof(uint32_t);
        }
    }
    return bytes;
}

} // namespace regex
