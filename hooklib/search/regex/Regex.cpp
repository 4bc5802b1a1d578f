#include "search/regex/Regex.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace regex {
namespace {

// Stack entries of a closure: a node to visit with the repeat counts of its path.
struct Item {
    uint32_t m_node;
    uint32_t m_counts;
};

struct Thread {
    uint32_t m_node;
    uint32_t m_start; // where the match this thread extends began
};

// Where a match may start during a step: nowhere (one was found), at a later position, or at
// the first position, which differs from the later ones only for patterns with "^".
enum EStart : uint8_t { kNoStart, kLaterStart, kFirstStart, kStartKinds };

// Starting a match at some position and consuming one character of a class.
struct StartStep {
    std::vector<uint32_t> m_nodes; // character nodes reached, in priority order
    bool m_matched = false;        // the match ends right after the character
};

struct StartCache {
    std::vector<uint32_t> m_nodes;    // character nodes a start reaches, before any match
    bool m_matches = false;           // a start matches the empty string
    bool m_matchesAtEnd = false;      // a start at the text's end does ("$" holds there)
    std::vector<int32_t> m_stepIndex; // per class and context: index into m_steps, or -1
    std::vector<StartStep> m_steps;
};

// A step of the thread automaton: the next list of threads, where each came from (an index in
// the previous list, or kInjected for a match starting at this character), and which thread
// completed a match, if any.
constexpr uint32_t kInjected = UINT32_MAX;
constexpr uint32_t kNoMatch = UINT32_MAX - 1;
constexpr int32_t kEmptyState = 0; // no thread alive
constexpr int32_t kUnknownFollow = -1;
constexpr int32_t kAnyFollow = -2;
// Beyond this the automaton stops growing and the search goes on thread by thread, and the
// steps of starts are no longer kept. What a state costs besides its list of nodes (the map's
// node and the list's own header, twice).
constexpr size_t kMaxMachineBytes = 2 << 20;
constexpr size_t kStateBytes = 128;

struct Move {
    int32_t m_next;
    uint32_t m_matchFrom;
    std::vector<uint32_t> m_from;
};

// What the work of a search costs in steps of its budget, a step being about a nanosecond
// natively: a character taken through a learned step of the automaton (besides each thread
// carried over), a position run thread by thread, a thread tried on a character there, and a
// node visited while the paths that consume nothing are followed.
constexpr uint64_t kCharSteps = 8;
constexpr uint64_t kPositionSteps = 12;
constexpr uint64_t kThreadSteps = 3;
constexpr uint64_t kVisitSteps = 8;

// A state of the automaton is looked up by its list of nodes: hashed, so that a long list is
// read once, not once per comparison of an ordered map.
struct NodeListHash {
    size_t operator()(const std::vector<uint32_t>& nodes) const {
        uint64_t hash = 0xcbf29ce484222325;
        for (const uint32_t node : nodes) {
            hash = (hash ^ node) * 0x100000001b3;
        }
        return static_cast<size_t>(hash ^ (hash >> 32));
    }
};

// Rows of second characters are kept up to this size; past it, starts go unchecked.
constexpr size_t kMaxFollowBytes = 256 << 10;

} // namespace

struct CRegex::Tables {
    // Class of each character below m_tableChars. From there to kTableChars every character is
    // of m_lastTableClass: a pattern of ASCII letters fills a few hundred bytes, not 128 KB.
    std::unique_ptr<uint16_t[]> m_tableClass;
    Char m_tableChars = 0;
    uint16_t m_lastTableClass = 0;
    std::vector<Char> m_classStart; // class i covers [m_classStart[i], m_classStart[i+1])
    // The classes each set accepts, as ranges (as many as the set has intervals: a table of
    // sets times classes would grow with the square of a long Migemo expression); set s has
    // m_ranges[m_setRanges[s]] up to m_ranges[m_setRanges[s + 1]].
    struct ClassRange {
        uint32_t m_first;
        uint32_t m_last;
    };
    std::vector<ClassRange> m_ranges;
    std::vector<uint32_t> m_setRanges;
    size_t m_words = 0; // 64-bit words per row of m_followRows

    // Without counted repeats or word boundaries ("\b", "\B"), a step depends only on the
    // ordered list of threads, the character's class and, with "$", on whether the text ends
    // after the character (its context): the steps met are kept as an automaton over those
    // lists. Other patterns run thread by thread, their starts looked up in tables worked out
    // as if every assertion but "^" held.
    bool m_useMachine = false;
    size_t m_contexts = 1;
    size_t m_columns = 0; // of the rows of m_edges: classes times contexts
    StartCache m_startCache[kStartKinds];
    std::vector<std::vector<uint32_t>> m_stateNodes;
    std::unordered_map<std::vector<uint32_t>, int32_t, NodeListHash> m_stateIds;
    // Per EStart, a row per state and a column per class and context: 1 + index into m_moves,
    // or 0. Rows are added as a kind first leaves a state (most kinds leave few states).
    std::vector<uint32_t> m_edges[kStartKinds];
    std::vector<Move> m_moves;
    bool m_anchored = false; // nothing starts after the first position
    // Per start kind, a bit per character below kTableChars that may start a match: 8 KB that
    // stay in the first-level cache while the names are skipped through.
    std::vector<uint64_t> m_mayStart[kStartKinds];
    // Per start kind and class of a first character, learned as met: kUnknownFollow, kAnyFollow
    // (the start may match with that character alone), or the index of a row in m_followRows
    // of the classes that may come second.
    std::vector<int32_t> m_follow[kStartKinds];
    std::vector<uint64_t> m_followRows;
    size_t m_machineBytes = 0;

    // The budget of the name being searched: every step of the search is taken from it.
    CWorkBudget* m_budget = nullptr;

    // Scratch of the search, kept to avoid allocating for every name.
    // Visit marks per node and repeat counts (at most kMaxMarks).
    std::vector<uint32_t> m_visited;
    uint32_t m_countBits = 0;
    std::vector<uint32_t> m_emitted;
    uint32_t m_generation = 0;
    std::vector<Thread> m_current, m_next;
    StartStep m_uncachedStep;
    std::vector<Item> m_stack;
    std::vector<uint32_t> m_starts, m_nextStarts;

    void BuildClasses(const std::vector<CCharSet>& sets, std::vector<Char> classStarts);

    uint32_t ClassOf(Char c) const {
        if (c < m_tableChars) {
            return m_tableClass[c];
        }
        return c < kTableChars ? m_lastTableClass : ClassBeyondTable(c);
    }
    // Out of line: rare in names, and it would crowd the scan loops it is inlined into.
    [[gnu::noinline]] uint32_t ClassBeyondTable(Char c) const {
        const auto it = std::upper_bound(m_classStart.begin(), m_classStart.end(), c);
        return static_cast<uint32_t>(it - m_classStart.begin() - 1);
    }
    // Characters beyond the bit tables count as possible starts.
    bool MayStart(EStart kind, Char c) const {
        return c >= kTableChars || HasBit(m_mayStart[kind].data(), c);
    }
    size_t SkipToLaterStart(std::wstring_view text, size_t pos) const;
    // The first position at which the automaton's tables let a match start, without a step:
    // before the check of the second character that NextStart adds. Inline: it runs for every
    // name, most of which it rejects.
    size_t FirstTableStart(const Program& program, std::wstring_view text) const {
        if (program.m_lineBegin) {
            if (text.empty() || MayStart(kFirstStart, ToChar(text[0]))) {
                return 0;
            }
            return m_anchored ? text.size() : SkipToStart(text, 1, m_mayStart[kLaterStart].data());
        }
        return SkipToStart(text, 0, m_mayStart[kLaterStart].data());
    }
    // Rows of m_words words, a bit per class: m_followRows.
    bool RowHas(const std::vector<uint64_t>& rows, size_t row, uint32_t cls) const {
        return (rows[row * m_words + cls / 64] >> (cls % 64)) & 1;
    }
    bool Accepts(uint32_t set, uint32_t cls) const {
        const ClassRange* first = m_ranges.data() + m_setRanges[set];
        const ClassRange* last = m_ranges.data() + m_setRanges[set + 1];
        if (last - first == 1) { // most sets: one character, or one range
            return cls - first->m_first <= first->m_last - first->m_first;
        }
        const ClassRange* after =
            std::upper_bound(first, last, cls,
                             [](uint32_t c, const ClassRange& range) { return c < range.m_first; });
        return after != first && cls <= after[-1].m_last;
    }
    // False once the name's budget is spent: the search is cut off, and nothing it was
    // working out may be kept for later names.
    bool Spend(uint64_t steps) { return m_budget->Spend(steps); }
    bool Cut() const { return m_budget->NameCut(); }
};

namespace {

// Four table entries per store: the table is filled anew for every pattern, so two or four
// times per keystroke.
void FillClass(uint16_t* first, uint16_t* last, uint16_t cls) {
    for (; first != last && reinterpret_cast<uintptr_t>(first) % sizeof(uint64_t) != 0; ++first) {
        *first = cls;
    }
    const uint64_t four = cls * uint64_t{0x0001000100010001};
    for (; last - first >= 4; first += 4) {
        std::memcpy(first, &four, sizeof(four));
    }
    std::fill(first, last, cls);
}

// Sets bits first to last, whole words at a time.
void SetBits(uint64_t* bits, Char first, Char last) {
    for (Char word = first / 64; word <= last / 64; ++word) {
        const Char low = std::max(first, word * 64) % 64;
        const Char high = std::min(last, word * 64 + 63) % 64;
        bits[word] |= (~uint64_t{0} >> (63 - high)) & (~uint64_t{0} << low);
    }
}

std::vector<Char> ClassStarts(const std::vector<CCharSet>& sets) {
    std::vector<Char> starts{0};
    for (const CCharSet& set : sets) {
        for (const auto& [first, last] : set.Intervals()) {
            starts.push_back(first);
            if (last != kMaxChar) {
                starts.push_back(last + 1);
            }
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

} // namespace

// One search of one text: a Pike machine whose threads are kept in the order the library's
// depth-first search would try them, so the first thread to match wins as it does there.
class CRegex::CRunner {
  public:
    CRunner(const Program& program, Tables& tables, std::wstring_view text)
        : m_program(program), m_tables(tables), m_text(text) {}

    // from: where a match may first start (the automaton only).
    std::optional<Span> Run(size_t from) {
        if (m_tables.m_useMachine) {
            return RunMachine(from);
        }
        m_tables.m_current.clear();
        NextGeneration();
        return RunThreads(0);
    }

    // A start at the text's end matches the empty string there.
    bool MatchesAtEnd() const {
        return m_tables.m_startCache[StartAt(m_text.size())].m_matchesAtEnd;
    }

    // The first position from pos at which a match may start: the bit tables skip the
    // characters nothing starts with, and a start whose next character no match can take is
    // passed over too (in names, most starts are such). The text's end when there is none.
    size_t NextStart(size_t pos) {
        if (pos == 0 && m_program.m_lineBegin) {
            if (m_text.empty() ||
                (m_tables.MayStart(kFirstStart, ToChar(m_text[0])) && SecondMayFollow(0))) {
                return 0;
            }
            pos = 1;
        }
        if (m_tables.m_anchored) {
            return m_text.size();
        }
        for (;; ++pos) {
            pos = m_tables.SkipToLaterStart(m_text, pos);
            if (pos == m_text.size() || SecondMayFollow(pos)) {
                return pos;
            }
        }
    }

    // A match of regex may start at the later position pos of text: its character may start
    // one, and the next character may go on from there. Needs no runner: most names are
    // rejected by this alone.
    static bool MayStartLater(const CRegex& regex, std::wstring_view text, size_t pos) {
        return regex.m_tables->MayStart(kLaterStart, ToChar(text[pos])) &&
               MayFollow(regex.m_program, *regex.m_tables, kLaterStart, text, pos);
    }

    // Prepares the automaton, or the tables of starts of a pattern run thread by thread: what
    // a start reaches at the first and at later positions, before the text's end and at it.
    void Prepare() {
        m_assumeAssertions = !m_tables.m_useMachine;
        for (const EStart kind : {kLaterStart, kFirstStart}) {
            StartCache& cache = m_tables.m_startCache[kind];
            const size_t pos = kind == kFirstStart ? 0 : 1;
            std::vector<Thread> reached;
            NextGeneration();
            m_lineEndAt = SIZE_MAX;
            cache.m_matches = Closure(m_program.m_start, 0, pos, reached);
            for (const Thread& thread : reached) {
                cache.m_nodes.push_back(thread.m_node);
            }
            NextGeneration();
            m_lineEndAt = pos;
            std::vector<Thread> atEnd;
            cache.m_matchesAtEnd = Closure(m_program.m_start, 0, pos, atEnd);
            cache.m_stepIndex.assign(m_tables.m_classStart.size() * m_tables.m_contexts, -1);
        }
        const StartCache& later = m_tables.m_startCache[kLaterStart];
        m_tables.m_anchored = later.m_nodes.empty() && !later.m_matches;
        MarkStarts(kLaterStart);
        MarkStarts(kFirstStart);
        for (const EStart kind : {kLaterStart, kFirstStart}) {
            m_tables.m_follow[kind].assign(m_tables.m_classStart.size(), kUnknownFollow);
        }
        Intern({}); // kEmptyState
    }

  private:
    // Thread by thread from pos, with the threads in m_current; a match may start at every
    // position until one is found.
    std::optional<Span> RunThreads(size_t pos) {
        std::vector<Thread>& current = m_tables.m_current;
        for (;; ++pos) {
            if (current.empty() && !m_match) {
                const size_t from = pos;
                pos = NextThreadStart(pos);
                if (pos != from) {
                    NextGeneration(); // the marks were of the closures at from
                }
            }
            if (!m_tables.Spend(kPositionSteps)) {
                return std::nullopt;
            }
            if (!m_match && Closure(m_program.m_start, static_cast<uint32_t>(pos), pos, current)) {
                m_match = Span{pos, pos};
            }
            if (m_tables.Cut()) {
                return std::nullopt;
            }
            if (pos == m_text.size() || (m_match && current.empty())) {
                return m_match;
            }
            const uint32_t cls = m_tables.ClassOf(ToChar(m_text[pos]));
            if (const auto begin = StepClass(pos, cls, nullptr, 0)) {
                m_match = Span{*begin, pos + 1};
            }
        }
    }

    // From pos, where a start may consume the character, or may match the empty string: the
    // tables of starts, without the second character's.
    size_t NextThreadStart(size_t pos) {
        if (pos == 0 && m_program.m_lineBegin) {
            if (m_text.empty() || m_tables.MayStart(kFirstStart, ToChar(m_text[0]))) {
                return 0;
            }
            pos = 1;
        }
        return m_tables.m_anchored ? m_text.size() : m_tables.SkipToLaterStart(m_text, pos);
    }

    // As RunThreads, by the thread automaton while it has room; each thread's start position
    // travels beside it in m_starts.
    std::optional<Span> RunMachine(size_t from) {
        m_tables.m_starts.clear();
        int32_t state = kEmptyState;
        for (size_t pos = from;; ++pos) {
            if (state == kEmptyState && !m_match) {
                pos = NextStart(pos);
            }
            const EStart kind = m_match ? kNoStart : StartAt(pos);
            if (pos == m_text.size() || (state == kEmptyState && kind == kNoStart)) {
                return EmptyStartMatch(kind, pos);
            }
            const uint32_t cls = m_tables.ClassOf(ToChar(m_text[pos]));
            const bool atEnd = pos + 1 == m_text.size();
            const Move* move = LearnedMove(state, cls, kind, atEnd);
            if (!move) {
                move = MoveOf(state, cls, kind, atEnd);
            }
            if (!move || !m_tables.Spend(kCharSteps + move->m_from.size())) {
                return m_tables.Cut() ? std::nullopt : ResumeThreads(state, pos);
            }
            EmptyStartMatch(kind, pos);
            Follow(*move, pos);
            state = move->m_next;
        }
    }

    std::optional<Span> EmptyStartMatch(EStart kind, size_t pos) {
        const StartCache& cache = m_tables.m_startCache[kind];
        if (kind != kNoStart && (pos == m_text.size() ? cache.m_matchesAtEnd : cache.m_matches)) {
            m_match = Span{pos, pos};
        }
        return m_match;
    }

    bool SecondMayFollow(size_t pos) {
        return MayFollow(m_program, m_tables, StartAt(pos), m_text, pos);
    }

    // The character after pos may go on from a start of kind at pos.
    static bool MayFollow(const Program& program, Tables& tables, EStart kind,
                          std::wstring_view text, size_t pos) {
        const uint32_t cls = tables.ClassOf(ToChar(text[pos]));
        int32_t row = tables.m_follow[kind][cls];
        if (row == kUnknownFollow) {
            row = LearnFollowRow(program, tables, kind, cls);
        }
        if (row == kAnyFollow) {
            return true;
        }
        if (pos + 1 == text.size()) {
            return program.m_lineEnd; // the start may match with "$" after its character
        }
        return tables.RowHas(tables.m_followRows, static_cast<size_t>(row),
                             tables.ClassOf(ToChar(text[pos + 1])));
    }

    // Out of line: once per class and pattern, beside a check made at most characters of a
    // name. Uses the tables' scratch: not while a runner has threads alive.
    [[gnu::noinline]] static int32_t LearnFollowRow(const Program& program, Tables& tables,
                                                    EStart kind, uint32_t cls) {
        const int32_t row = CRunner(program, tables, {}).ComputeFollowRow(kind, cls);
        if (!tables.Cut()) {
            tables.m_follow[kind][cls] = row;
        }
        return row;
    }

    // The classes the character nodes a start reaches with a character of cls accept.
    // A cut-off search is let go on to its next step, where it stops.
    int32_t ComputeFollowRow(EStart kind, uint32_t cls) {
        const StartStep* step = StepOf(kind, cls, false);
        std::vector<uint64_t>& rows = m_tables.m_followRows;
        const size_t words = m_tables.m_words;
        if (!step || m_tables.m_startCache[kind].m_matches || step->m_matched ||
            (rows.size() + words) * sizeof(uint64_t) > kMaxFollowBytes ||
            !m_tables.Spend(kThreadSteps * step->m_nodes.size() + words)) {
            return kAnyFollow;
        }
        const size_t offset = rows.size();
        rows.resize(offset + words, 0);
        for (const uint32_t node : step->m_nodes) {
            const size_t set = m_program.m_nodes[node].m_set;
            const std::vector<Tables::ClassRange>& ranges = m_tables.m_ranges;
            for (uint32_t r = m_tables.m_setRanges[set]; r < m_tables.m_setRanges[set + 1]; ++r) {
                SetBits(rows.data() + offset, ranges[r].m_first, ranges[r].m_last);
            }
        }
        return static_cast<int32_t>(offset / words);
    }

    EStart StartAt(size_t pos) const {
        return pos == 0 && m_program.m_lineBegin ? kFirstStart : kLaterStart;
    }

    // The characters a start of kind can consume (all, when it matches the empty string).
    void MarkStarts(EStart kind) {
        const StartCache& cache = m_tables.m_startCache[kind];
        std::vector<uint64_t>& bits = m_tables.m_mayStart[kind];
        bits.assign(kTableChars / 64, cache.m_matches ? ~uint64_t{0} : 0);
        for (const uint32_t node : cache.m_nodes) {
            const CCharSet& set = m_program.m_sets[m_program.m_nodes[node].m_set];
            for (const auto& [first, last] : set.Intervals()) {
                if (first < kTableChars) {
                    SetBits(bits.data(), first, std::min(last, kTableChars - 1));
                }
            }
        }
    }

    void Follow(const Move& move, size_t pos) {
        std::vector<uint32_t>& starts = m_tables.m_starts;
        const auto startOf = [&](uint32_t from) {
            return from == kInjected ? static_cast<uint32_t>(pos) : starts[from];
        };
        if (move.m_matchFrom != kNoMatch) {
            m_match = Span{startOf(move.m_matchFrom), pos + 1};
        }
        std::vector<uint32_t>& next = m_tables.m_nextStarts;
        next.clear();
        for (const uint32_t from : move.m_from) {
            next.push_back(startOf(from));
        }
        starts.swap(next);
    }

    // The automaton is full: the threads of state go on one by one from pos.
    std::optional<Span> ResumeThreads(int32_t state, size_t pos) {
        std::vector<Thread>& current = m_tables.m_current;
        current.clear();
        NextGeneration();
        const std::vector<uint32_t>& nodes = m_tables.m_stateNodes[static_cast<size_t>(state)];
        for (size_t i = 0; i < nodes.size(); ++i) {
            current.push_back({nodes[i], m_tables.m_starts[i]});
            m_tables.m_emitted[nodes[i]] = m_tables.m_generation;
        }
        return RunThreads(pos);
    }

    int32_t Intern(std::vector<uint32_t> nodes) {
        const auto [it, added] =
            m_tables.m_stateIds.emplace(nodes, static_cast<int32_t>(m_tables.m_stateNodes.size()));
        if (added) {
            m_tables.m_machineBytes += nodes.size() * sizeof(uint32_t) * 2 + kStateBytes;
            m_tables.m_stateNodes.push_back(std::move(nodes));
        }
        return it->second;
    }

    // The move learned for a character of cls in state, or null.
    const Move* LearnedMove(int32_t state, uint32_t cls, EStart kind, bool atEnd) const {
        const std::vector<uint32_t>& edges = m_tables.m_edges[kind];
        const size_t edge = static_cast<size_t>(state) * m_tables.m_columns + Column(cls, atEnd);
        return edge < edges.size() && edges[edge] != 0 ? &m_tables.m_moves[edges[edge] - 1]
                                                       : nullptr;
    }

    // Learns the move for a character of cls in state: null when the automaton is full, or
    // when the search is cut off meanwhile.
    [[gnu::noinline]] const Move* MoveOf(int32_t state, uint32_t cls, EStart kind, bool atEnd) {
        std::vector<uint32_t>& edges = m_tables.m_edges[kind];
        const size_t columns = m_tables.m_columns;
        const size_t edge = static_cast<size_t>(state) * columns + Column(cls, atEnd);
        if (m_tables.m_machineBytes > kMaxMachineBytes) {
            return nullptr;
        }
        if (edge >= edges.size()) {
            const size_t size = (static_cast<size_t>(state) + 1) * columns;
            m_tables.m_machineBytes += (size - edges.size()) * sizeof(uint32_t);
            edges.resize(size);
        }
        std::optional<Move> computed = ComputeMove(state, cls, kind, atEnd);
        if (!computed) {
            return nullptr;
        }
        Move& move = *computed;
        m_tables.m_machineBytes += sizeof(Move) + move.m_from.size() * sizeof(uint32_t);
        m_tables.m_moves.push_back(std::move(move));
        edges[edge] = static_cast<uint32_t>(m_tables.m_moves.size());
        return &m_tables.m_moves.back();
    }

    // One step of the threads of state, each thread's start replaced by its index. Nothing
    // when the search is cut off meanwhile.
    std::optional<Move> ComputeMove(int32_t state, uint32_t cls, EStart kind, bool atEnd) {
        std::vector<Thread>& current = m_tables.m_current;
        current.clear();
        const std::vector<uint32_t>& nodes = m_tables.m_stateNodes[static_cast<size_t>(state)];
        for (size_t i = 0; i < nodes.size(); ++i) {
            current.push_back({nodes[i], static_cast<uint32_t>(i)});
        }
        const StartStep* start = kind == kNoStart ? nullptr : StepOf(kind, cls, atEnd);
        const size_t lineEndAt = m_lineEndAt;
        m_lineEndAt = atEnd ? 2 : SIZE_MAX; // after the character consumed at 1
        const std::optional<uint32_t> matchFrom = StepClass(1, cls, start, kInjected);
        m_lineEndAt = lineEndAt;
        // The lists copied and the state looked up.
        if (!m_tables.Spend(2 * kThreadSteps * m_tables.m_current.size())) {
            return std::nullopt;
        }
        Move move{0, matchFrom.value_or(kNoMatch), {}};
        std::vector<uint32_t> reached;
        for (const Thread& thread : m_tables.m_current) {
            reached.push_back(thread.m_node);
            move.m_from.push_back(thread.m_start);
        }
        move.m_next = Intern(std::move(reached));
        return move;
    }

    // Consumes a character of class cls at pos with every thread, in priority order, then with
    // a start there (as startValue) when one is given. Gives the start of the thread that
    // completed a match.
    std::optional<uint32_t> StepClass(size_t pos, uint32_t cls, const StartStep* start,
                                      uint32_t startValue) {
        std::vector<Thread>& current = m_tables.m_current;
        std::vector<Thread>& next = m_tables.m_next;
        NextGeneration();
        next.clear();
        std::optional<uint32_t> matched;
        for (const Thread& thread : current) {
            const Node& node = m_program.m_nodes[thread.m_node];
            if (!m_tables.Spend(kThreadSteps)) {
                break;
            }
            if (m_tables.Accepts(node.m_set, cls) &&
                Closure(node.m_next, thread.m_start, pos + 1, next)) {
                matched = thread.m_start;
                break; // every later thread has a lower priority
            }
        }
        if (start && !matched && m_tables.Spend(kThreadSteps * start->m_nodes.size())) {
            for (const uint32_t node : start->m_nodes) {
                Emit(node, startValue, next);
            }
            matched = start->m_matched ? std::optional<uint32_t>(startValue) : std::nullopt;
        }
        current.swap(next);
        return matched;
    }

    // A column per class, or two with "$": before the text's end, and at it.
    size_t Column(uint32_t cls, bool atEnd) const {
        return m_tables.m_contexts == 1 ? cls : 2 * cls + (atEnd ? 1 : 0);
    }

    // Null when the search is cut off while it is worked out.
    const StartStep* StepOf(EStart kind, uint32_t cls, bool atEnd) {
        StartCache& cache = m_tables.m_startCache[kind];
        int32_t& index = cache.m_stepIndex[Column(cls, atEnd)];
        if (index < 0) {
            StartStep step = ComputeStep(cache, cls, atEnd);
            if (m_tables.Cut()) {
                return nullptr;
            }
            if (m_tables.m_machineBytes > kMaxMachineBytes) {
                m_tables.m_uncachedStep = std::move(step); // worked out again when met again
                return &m_tables.m_uncachedStep;
            }
            m_tables.m_machineBytes += sizeof(StartStep) + step.m_nodes.size() * sizeof(uint32_t);
            index = static_cast<int32_t>(cache.m_steps.size());
            cache.m_steps.push_back(std::move(step));
        }
        return &cache.m_steps[static_cast<size_t>(index)];
    }

    StartStep ComputeStep(const StartCache& cache, uint32_t cls, bool atEnd) {
        StartStep step;
        std::vector<Thread> reached;
        NextGeneration();
        const size_t lineEndAt = m_lineEndAt;
        m_lineEndAt = atEnd ? 1 : SIZE_MAX; // after the character consumed at 0
        for (const uint32_t start : cache.m_nodes) {
            const Node& node = m_program.m_nodes[start];
            if (!m_tables.Spend(kThreadSteps)) {
                break;
            }
            if (m_tables.Accepts(node.m_set, cls) && Closure(node.m_next, 0, 1, reached)) {
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

    void NextGeneration() {
        if (++m_tables.m_generation == 0) {
            std::fill(m_tables.m_visited.begin(), m_tables.m_visited.end(), 0);
            std::fill(m_tables.m_emitted.begin(), m_tables.m_emitted.end(), 0);
            m_tables.m_generation = 1;
        }
    }

    void Emit(uint32_t node, uint32_t start, std::vector<Thread>& out) {
        if (m_tables.m_emitted[node] != m_tables.m_generation) {
            m_tables.m_emitted[node] = m_tables.m_generation;
            out.push_back({node, start});
        }
    }

    // Follows every path from root that consumes nothing, in the library's order, appending
    // the character nodes reached to out. True when a path reaches the match (the search stops
    // there: what is not yet tried has a lower priority).
    bool Closure(uint32_t root, uint32_t start, size_t pos, std::vector<Thread>& out) {
        std::vector<Item>& stack = m_tables.m_stack;
        stack.clear();
        stack.push_back({root, 0});
        while (!stack.empty() && m_tables.Spend(kVisitSteps)) {
            const Item item = stack.back();
            stack.pop_back();
            m_counts = item.m_counts;
            if (Visit(item.m_node, start, pos, out)) {
                return true;
            }
        }
        return false;
    }

    bool FirstVisit(uint32_t node) {
        uint32_t& mark = m_tables.m_visited[(size_t{node} << m_tables.m_countBits) | m_counts];
        const bool first = mark != m_tables.m_generation;
        mark = m_tables.m_generation;
        return first;
    }

    bool Visit(uint32_t index, uint32_t start, size_t pos, std::vector<Thread>& out) {
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

    void Push(uint32_t node) { m_tables.m_stack.push_back({node, m_counts}); }

    // Greedy: once more, then leave; lazy: the other way round. A counted repeat goes once more
    // only twice at one position (std::regex's guard against empty loops); its count holds for
    // what follows the extra iteration and is restored before leaving is tried.
    void PushRepeat(const Node& node) {
        const int counter = node.m_counter;
        const uint32_t shift = counter < 0 ? 0 : 2 * static_cast<uint32_t>(counter);
        const uint32_t count = counter < 0 ? 0 : (m_counts >> shift) & 3;
        const auto pushMore = [&] {
            if (count < 2) {
                const uint32_t counts = counter < 0 ? m_counts : m_counts + (1u << shift);
                m_tables.m_stack.push_back({node.m_alt, counts});
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

    bool IsWord(size_t pos) const {
        return pos < m_text.size() && classic::IsWordChar(ToChar(m_text[pos]));
    }

    bool Holds(EOp op, size_t pos) const {
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

    const Program& m_program;
    Tables& m_tables;
    std::wstring_view m_text;
    std::optional<Span> m_match;
    uint32_t m_counts = 0; // of the path being followed: two bits per counted repeat
    // Where "$" holds: the text's end, or where the step worked out for the automaton says.
    size_t m_lineEndAt = m_text.size();
    bool m_assumeAssertions = false; // for the tables of starts of patterns run thread by thread
};

void CRegex::Tables::BuildClasses(const std::vector<CCharSet>& sets,
                                  std::vector<Char> classStarts) {
    m_classStart = std::move(classStarts);
    const size_t lastBelow =
        std::lower_bound(m_classStart.begin(), m_classStart.end(), kTableChars) -
        m_classStart.begin() - 1;
    m_lastTableClass = static_cast<uint16_t>(lastBelow);
    m_tableChars = m_classStart[lastBelow];
    m_tableClass = std::make_unique_for_overwrite<uint16_t[]>(m_tableChars);
    for (size_t cls = 0; cls < lastBelow; ++cls) {
        FillClass(m_tableClass.get() + m_classStart[cls],
                  m_tableClass.get() + m_classStart[cls + 1], static_cast<uint16_t>(cls));
    }
    m_words = (m_classStart.size() + 63) / 64;
    m_setRanges.push_back(0);
    for (const CCharSet& set : sets) {
        for (const auto& [first, last] : set.Intervals()) {
            m_ranges.push_back({ClassOf(first), ClassOf(last)});
        }
        m_setRanges.push_back(static_cast<uint32_t>(m_ranges.size()));
    }
}

// Past the characters at which nothing starts, with nothing alive: the common case, kept cheap.
// Gives the text's end when no match can start any more.
size_t CRegex::Tables::SkipToLaterStart(std::wstring_view text, size_t pos) const {
    return SkipToStart(text, pos, m_mayStart[kLaterStart].data());
}

CRegex::CRegex(Program program, std::vector<Char> classStarts)
    : m_program(std::move(program)), m_tables(std::make_unique<Tables>()) {
    m_tables->BuildClasses(m_program.m_sets, std::move(classStarts));
    m_tables->m_countBits = 2 * static_cast<uint32_t>(m_program.m_counters);
    m_tables->m_visited.assign(m_program.m_nodes.size() << m_tables->m_countBits, 0);
    m_tables->m_emitted.assign(m_program.m_nodes.size(), 0);
    m_tables->m_useMachine = m_program.m_counters == 0 && !m_program.m_wordBoundary;
    m_tables->m_contexts = m_program.m_lineEnd ? 2 : 1;
    m_tables->m_columns = m_tables->m_classStart.size() * m_tables->m_contexts;
    // Part of compiling: a closure from the start visits each node once per count of its
    // repeats.
    CWorkBudget unlimited;
    unlimited.OpenName();
    m_tables->m_budget = &unlimited;
    CRunner(m_program, *m_tables, {}).Prepare();
    m_tables->m_budget = nullptr;
    m_scansAlike = m_tables->m_useMachine && !m_program.m_lineBegin && !m_program.m_lineEnd &&
                   !m_tables->m_anchored;
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
    if (m_tables->m_useMachine) {
        // Most names hold no character at which a match may start: rejected by the tables
        // alone, before the name's budget is opened or any search state is set up.
        from = m_tables->FirstTableStart(m_program, text);
        if (from == text.size() && !text.empty() &&
            !m_tables->m_startCache[kLaterStart].m_matchesAtEnd) {
            return std::nullopt;
        }
    }
    budget.OpenName();
    m_tables->m_budget = &budget;
    CRunner runner(m_program, *m_tables, text);
    if (m_tables->m_useMachine) {
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
        const std::vector<uint64_t>& firstBits = first.m_tables->m_mayStart[kLaterStart];
        const std::vector<uint64_t>& secondBits = second.m_tables->m_mayStart[kLaterStart];
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
    m_first.m_tables->m_budget = &first;
    m_second.m_tables->m_budget = &second;
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
    const Tables& t = *m_tables;
    bytes +=
        t.m_tableChars * sizeof(uint16_t) + t.m_classStart.size() * sizeof(Char) +
        t.m_ranges.size() * sizeof(Tables::ClassRange) + t.m_setRanges.size() * sizeof(uint32_t) +
        (t.m_mayStart[kLaterStart].size() + t.m_mayStart[kFirstStart].size()) * sizeof(uint64_t) +
        (t.m_follow[kLaterStart].size() + t.m_follow[kFirstStart].size()) * sizeof(int32_t) +
        t.m_followRows.size() * sizeof(uint64_t) +
        (t.m_visited.size() + t.m_emitted.size()) * sizeof(uint32_t);
    for (const StartCache& cache : t.m_startCache) {
        bytes += (cache.m_nodes.size() + cache.m_stepIndex.size()) * sizeof(uint32_t);
        for (const StartStep& step : cache.m_steps) {
            bytes += sizeof(step) + step.m_nodes.size() * sizeof(uint32_t);
        }
    }
    return bytes;
}

} // namespace regex
