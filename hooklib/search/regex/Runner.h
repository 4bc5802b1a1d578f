#pragma once
// One search of one text (see Regex.cpp for how the engine works). The automaton and the
// prefilters are in Regex.cpp; the thread simulation, and the steps the automaton learns from
// it, in Threads.cpp. Private to the engine.
#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "search/regex/Tables.h"

namespace regex {

class CRegex::CRunner {
  public:
    // The functions declared inline are defined in the file of their part, for the loops there,
    // and used only in it.
    CRunner(const Program& program, Tables& tables, std::wstring_view text)
        : m_program(program), m_tables(tables), m_compiled(tables.m_compiled),
          m_learned(tables.m_learned), m_scratch(tables.m_scratch), m_text(text) {}

    // from: where a match may first start (the automaton only).
    inline std::optional<Span> Run(size_t from);

    // A start at the text's end matches the empty string there.
    bool MatchesAtEnd() const { return m_compiled.m_start[StartAt(m_text.size())].m_matchesAtEnd; }

    // The first position from pos at which a match may start (a prefilter).
    inline size_t NextStart(size_t pos);
    // A match of regex may start at the later position pos of text (a prefilter).
    inline static bool MayStartLater(const CRegex& regex, std::wstring_view text, size_t pos);

    // What a start of kind reaches before it consumes anything, for the compiled tables.
    StartClosure ClosureOfStart(EStart kind);

  private:
    // The automaton (Regex.cpp).
    inline std::optional<Span> RunMachine(size_t from);
    inline std::optional<Span> EmptyStartMatch(EStart kind, size_t pos);
    inline void Follow(const Move& move, size_t pos);
    std::optional<Span> ResumeThreads(int32_t state, size_t pos);
    inline const Move* LearnedMove(int32_t state, uint32_t cls, EStart kind, bool atEnd) const;
    [[gnu::noinline]] const Move* MoveOf(int32_t state, uint32_t cls, EStart kind, bool atEnd);

    // The prefilters (Regex.cpp).
    inline bool SecondMayFollow(size_t pos);
    inline static bool MayFollow(const Program& program, Tables& tables, EStart kind,
                                 std::wstring_view text, size_t pos);
    [[gnu::noinline]] static int32_t LearnFollowRow(const Program& program, Tables& tables,
                                                    EStart kind, uint32_t cls);
    int32_t ComputeFollowRow(EStart kind, uint32_t cls);

    // The thread simulation, and the steps the automaton learns from it (Threads.cpp).
    std::optional<Span> RunThreads(size_t pos);
    inline size_t NextThreadStart(size_t pos);
    inline std::optional<uint32_t> StepClass(size_t pos, uint32_t cls, const StartStep* start,
                                             uint32_t startValue);
    inline bool Closure(uint32_t root, uint32_t start, size_t pos, std::vector<Thread>& out);
    inline bool FirstVisit(uint32_t node);
    inline bool Visit(uint32_t index, uint32_t start, size_t pos, std::vector<Thread>& out);
    inline void PushRepeat(const Node& node);
    inline bool IsWord(size_t pos) const;
    std::optional<Move> ComputeMove(int32_t state, uint32_t cls, EStart kind, bool atEnd);
    const StartStep* StepOf(EStart kind, uint32_t cls, bool atEnd);
    inline StartStep ComputeStep(const StartClosure& closure, uint32_t cls, bool atEnd);
    inline bool Holds(EOp op, size_t pos) const;

    EStart StartAt(size_t pos) const {
        return pos == 0 && m_program.m_lineBegin ? kFirstStart : kLaterStart;
    }
    // A column per class, or two with "$": before the text's end, and at it.
    size_t Column(uint32_t cls, bool atEnd) const {
        return m_compiled.m_contexts == 1 ? cls : 2 * cls + (atEnd ? 1 : 0);
    }
    void NextGeneration() {
        if (++m_scratch.m_generation == 0) {
            std::fill(m_scratch.m_visited.begin(), m_scratch.m_visited.end(), 0);
            std::fill(m_scratch.m_emitted.begin(), m_scratch.m_emitted.end(), 0);
            m_scratch.m_generation = 1;
        }
    }
    void Emit(uint32_t node, uint32_t start, std::vector<Thread>& out) {
        if (m_scratch.m_emitted[node] != m_scratch.m_generation) {
            m_scratch.m_emitted[node] = m_scratch.m_generation;
            out.push_back({node, start});
        }
    }
    void Push(uint32_t node) { m_scratch.m_stack.push_back({node, m_counts}); }

    const Program& m_program;
    Tables& m_tables; // for the prefilters, which also run without a runner
    // Its parts, by how long what they hold lives: searches only read the compiled tables.
    const CompiledTables& m_compiled;
    LearnedCache& m_learned;
    SearchScratch& m_scratch;
    std::wstring_view m_text;
    std::optional<Span> m_match;
    uint32_t m_counts = 0; // of the path being followed: two bits per counted repeat
    // Where "$" holds: the text's end, or where the step worked out for the automaton says.
    size_t m_lineEndAt = m_text.size();
    bool m_assumeAssertions = false; // for the tables of starts of patterns run thread by thread
};

} // namespace regex
