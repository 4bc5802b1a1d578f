#pragma once
// The tables of a compiled pattern, by how long what they hold lives (see Regex.cpp for how the
// engine uses them): what is fixed once the pattern is compiled, what searches learn and keep
// for later names (under a memory budget), and the scratch of one search. Private to the engine.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "search/regex/Regex.h"

namespace regex {

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

// What a start reaches before it consumes anything.
struct StartClosure {
    std::vector<uint32_t> m_nodes; // character nodes a start reaches, before any match
    bool m_matches = false;        // a start matches the empty string
    bool m_matchesAtEnd = false;   // a start at the text's end does ("$" holds there)
};

// Starting a match at some position and consuming one character of a class.
struct StartStep {
    std::vector<uint32_t> m_nodes; // character nodes reached, in priority order
    bool m_matched = false;        // the match ends right after the character
};

// The steps of a start met so far.
struct StartSteps {
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

// Sets bits first to last, whole words at a time.
void SetBits(uint64_t* bits, Char first, Char last);

// Where each character class of sets begins: the classes split the characters where any set
// starts or ends, so each set accepts a class wholly or not at all.
std::vector<Char> ClassStarts(const std::vector<CCharSet>& sets);

// Fixed once the pattern is compiled: its character classes, how it runs, and what its starts
// reach. Searches only read it.
struct CompiledTables {
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
    size_t m_words = 0; // 64-bit words per row of LearnedCache::m_followRows

    // Without counted repeats or word boundaries ("\b", "\B"), a step depends only on the
    // ordered list of threads, the character's class and, with "$", on whether the text ends
    // after the character (its context): the steps met are kept as an automaton over those
    // lists. Other patterns run thread by thread, their starts looked up in tables worked out
    // as if every assertion but "^" held.
    bool m_useMachine = false;
    size_t m_contexts = 1;
    size_t m_columns = 0; // of the rows of LearnedCache::m_edges: classes times contexts
    StartClosure m_start[kStartKinds];
    bool m_anchored = false; // nothing starts after the first position
    // Per start kind, a bit per character below kTableChars that may start a match: 8 KB that
    // stay in the first-level cache while the names are skipped through.
    std::vector<uint64_t> m_mayStart[kStartKinds];

    void BuildClasses(const std::vector<CCharSet>& sets, std::vector<Char> classStarts);
    // The characters a start of kind can consume (all, when it matches the empty string).
    void MarkStarts(const Program& program, EStart kind);

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
    // Past the characters at which nothing starts, with nothing alive: the common case, kept
    // cheap. Gives the text's end when no match can start any more.
    size_t SkipToLaterStart(std::wstring_view text, size_t pos) const {
        return SkipToStart(text, pos, m_mayStart[kLaterStart].data());
    }
    // The first position at which the automaton's tables let a match start, without a step:
    // before the check of the second character that CRunner::NextStart adds. Inline: it runs
    // for every name, most of which it rejects.
    size_t FirstTableStart(const Program& program, std::wstring_view text) const {
        if (program.m_lineBegin) {
            if (text.empty() || MayStart(kFirstStart, ToChar(text[0]))) {
                return 0;
            }
            return m_anchored ? text.size() : SkipToStart(text, 1, m_mayStart[kLaterStart].data());
        }
        return SkipToStart(text, 0, m_mayStart[kLaterStart].data());
    }
    // Rows of m_words words, a bit per class: LearnedCache::m_followRows.
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
};

// Learned while searching and kept for later names: the automaton's states and moves met so
// far, the steps of starts, and which classes may follow a first character. It grows up to
// kMaxMachineBytes (its rows of second characters up to kMaxFollowBytes); nothing a search
// cut off was working out is kept.
struct LearnedCache {
    std::vector<std::vector<uint32_t>> m_stateNodes;
    std::unordered_map<std::vector<uint32_t>, int32_t, NodeListHash> m_stateIds;
    // Per EStart, a row per state and a column per class and context: 1 + index into m_moves,
    // or 0. Rows are added as a kind first leaves a state (most kinds leave few states).
    std::vector<uint32_t> m_edges[kStartKinds];
    std::vector<Move> m_moves;
    StartSteps m_startSteps[kStartKinds];
    // Per start kind and class of a first character, learned as met: kUnknownFollow, kAnyFollow
    // (the start may match with that character alone), or the index of a row in m_followRows
    // of the classes that may come second.
    std::vector<int32_t> m_follow[kStartKinds];
    std::vector<uint64_t> m_followRows;
    size_t m_machineBytes = 0;

    // Sized for the classes of compiled, with the state of no thread (kEmptyState).
    void Start(const CompiledTables& compiled);
    // The state of the list of nodes, added when new.
    int32_t Intern(std::vector<uint32_t> nodes);
    bool Full() const { return m_machineBytes > kMaxMachineBytes; }
};

// The scratch of one search: nothing in it outlives the search, but it is kept between
// searches to avoid allocating for every name.
struct SearchScratch {
    // The budget of the name being searched: every step of the search is taken from it.
    CWorkBudget* m_budget = nullptr;
    // Visit marks per node and repeat counts (at most kMaxMarks).
    std::vector<uint32_t> m_visited;
    uint32_t m_countBits = 0;
    std::vector<uint32_t> m_emitted;
    uint32_t m_generation = 0;
    std::vector<Thread> m_current, m_next;
    StartStep m_uncachedStep;
    std::vector<Item> m_stack;
    std::vector<uint32_t> m_starts, m_nextStarts;

    // Sized for the nodes and counted repeats of program.
    void Size(const Program& program);
    // False once the name's budget is spent: the search is cut off, and nothing it was
    // working out may be kept for later names.
    // NOLINTNEXTLINE(readability-make-member-function-const): it spends the budget it points to
    bool Spend(uint64_t steps) { return m_budget->Spend(steps); }
    bool Cut() const { return m_budget->NameCut(); }
};

struct CRegex::Tables {
    CompiledTables m_compiled;
    LearnedCache m_learned;
    SearchScratch m_scratch;
};

} // namespace regex
