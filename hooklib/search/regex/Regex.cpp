#include "search/regex/Regex.h"

#include <algorithm>
#include <unordered_set>

namespace regex {
namespace {

constexpr Char kTableChars = 0x10000;

// Stack entries of a closure: a node to visit with the repeat counts of its path.
struct Item {
    uint32_t m_node;
    uint32_t m_counts;
};

struct Thread {
    uint32_t m_node;
    uint32_t m_start; // where the match this thread extends began
};

// The result of starting a match at some position and consuming one character of a class,
// for patterns whose steps do not depend on the neighbouring characters.
struct StartStep {
    std::vector<uint32_t> m_nodes; // character nodes reached, in priority order
    bool m_matched = false;        // the match ends right after the character
};

} // namespace

struct CRegex::Tables {
    std::vector<uint16_t> m_tableClass; // class of each character below kTableChars
    std::vector<Char> m_classStart;     // class i covers [m_classStart[i], m_classStart[i+1])
    size_t m_words = 0;                 // 64-bit words per set in m_accept
    std::vector<uint64_t> m_accept;     // set s accepts class c: bit c of row s
    // Starting a match without counted repeats or positional assertions is the same at every
    // position after the first; it is worked out once per class.
    bool m_cacheStarts = false;
    std::vector<uint32_t> m_startNodes; // character nodes a start reaches, before any match
    bool m_startMatches = false;        // a start matches the empty string
    std::vector<int32_t> m_stepIndex;   // per class: index into m_steps, or -1
    std::vector<StartStep> m_steps;
    // Scratch of the search, kept to avoid allocating for every name.
    std::vector<uint32_t> m_visited;
    std::vector<uint32_t> m_emitted;
    uint32_t m_generation = 0;
    std::unordered_set<uint64_t> m_visitedInContext;
    std::vector<Thread> m_current, m_next;
    std::vector<Item> m_stack;

    void BuildClasses(const std::vector<CCharSet>& sets);

    uint32_t ClassOf(Char c) const {
        if (c < kTableChars) {
            return m_tableClass[c];
        }
        const auto it = std::upper_bound(m_classStart.begin(), m_classStart.end(), c);
        return static_cast<uint32_t>(it - m_classStart.begin() - 1);
    }
    bool Accepts(uint32_t set, uint32_t cls) const {
        return (m_accept[set * m_words + cls / 64] >> (cls % 64)) & 1;
    }
};

namespace {

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

    std::optional<Span> Run() {
        std::vector<Thread>& current = m_tables.m_current;
        current.clear();
        NextGeneration();
        for (size_t pos = 0;; ++pos) {
            const bool cached = !m_match && pos > 0 && m_tables.m_cacheStarts;
            if (!m_match && !cached) {
                if (Closure(m_program.m_start, static_cast<uint32_t>(pos), pos, current)) {
                    m_match = Span{pos, pos};
                }
            } else if (cached && m_tables.m_startMatches) {
                m_match = Span{pos, pos};
            }
            if (pos == m_text.size() || (m_match && current.empty())) {
                return m_match;
            }
            Step(pos, cached);
        }
    }

    // The character nodes a start reaches at a position after the first, and then after one
    // character of class cls.
    void FillStartCache() {
        m_tables.m_cacheStarts = false;
        std::vector<Thread> starts;
        NextGeneration();
        m_tables.m_startMatches = Closure(m_program.m_start, 0, 1, starts);
        for (const Thread& thread : starts) {
            m_tables.m_startNodes.push_back(thread.m_node);
        }
        m_tables.m_cacheStarts = true;
    }

  private:
    void NextGeneration() {
        if (++m_tables.m_generation == 0) {
            std::fill(m_tables.m_visited.begin(), m_tables.m_visited.end(), 0);
            std::fill(m_tables.m_emitted.begin(), m_tables.m_emitted.end(), 0);
            m_tables.m_generation = 1;
        }
        if (m_program.m_counters > 0) {
            m_tables.m_visitedInContext.clear();
        }
    }

    // Consumes the character at pos with every thread, in priority order, then with a start
    // at pos when that comes from the cache.
    void Step(size_t pos, bool cached) {
        std::vector<Thread>& current = m_tables.m_current;
        std::vector<Thread>& next = m_tables.m_next;
        const uint32_t cls = m_tables.ClassOf(ToChar(m_text[pos]));
        const StartStep* start = cached ? &StepOf(cls) : nullptr;
        NextGeneration();
        if (current.empty() && (!start || (start->m_nodes.empty() && !start->m_matched))) {
            return; // nothing alive and nothing starts here: the common case, kept cheap
        }
        next.clear();
        bool matched = false;
        for (const Thread& thread : current) {
            const Node& node = m_program.m_nodes[thread.m_node];
            if (m_tables.Accepts(node.m_set, cls) &&
                Closure(node.m_next, thread.m_start, pos + 1, next)) {
                m_match = Span{thread.m_start, pos + 1};
                matched = true;
                break; // every later thread has a lower priority
            }
        }
        if (start && !matched) {
            ReplayStart(*start, pos, next);
        }
        current.swap(next);
    }

    void ReplayStart(const StartStep& step, size_t pos, std::vector<Thread>& next) {
        for (const uint32_t node : step.m_nodes) {
            Emit(node, static_cast<uint32_t>(pos), next);
        }
        if (step.m_matched) {
            m_match = Span{pos, pos + 1};
        }
    }

    const StartStep& StepOf(uint32_t cls) {
        int32_t& index = m_tables.m_stepIndex[cls];
        if (index < 0) {
            index = static_cast<int32_t>(m_tables.m_steps.size());
            m_tables.m_steps.push_back(ComputeStep(cls));
        }
        return m_tables.m_steps[static_cast<size_t>(index)];
    }

    StartStep ComputeStep(uint32_t cls) {
        StartStep step;
        std::vector<Thread> reached;
        NextGeneration();
        for (const uint32_t start : m_tables.m_startNodes) {
            const Node& node = m_program.m_nodes[start];
            if (m_tables.Accepts(node.m_set, cls) && Closure(node.m_next, 0, 1, reached)) {
                step.m_matched = true;
                break;
            }
        }
        for (const Thread& thread : reached) {
            step.m_nodes.push_back(thread.m_node);
        }
        return step;
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
        while (!stack.empty()) {
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
        if (m_program.m_counters == 0) {
            const bool first = m_tables.m_visited[node] != m_tables.m_generation;
            m_tables.m_visited[node] = m_tables.m_generation;
            return first;
        }
        return m_tables.m_visitedInContext.insert(uint64_t{node} << 32 | m_counts).second;
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
        return pos < m_text.size() && classic::WordChars().Contains(ToChar(m_text[pos]));
    }

    bool Holds(EOp op, size_t pos) const {
        switch (op) {
        case EOp::LineBegin:
            return pos == 0;
        case EOp::LineEnd:
            return pos == m_text.size();
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
};

void CRegex::Tables::BuildClasses(const std::vector<CCharSet>& sets) {
    m_classStart = ClassStarts(sets);
    m_tableClass.resize(kTableChars);
    for (size_t cls = 0; cls < m_classStart.size() && m_classStart[cls] < kTableChars; ++cls) {
        const Char end = cls + 1 < m_classStart.size()
                             ? std::min(m_classStart[cls + 1], kTableChars)
                             : kTableChars;
        std::fill(m_tableClass.begin() + m_classStart[cls], m_tableClass.begin() + end,
                  static_cast<uint16_t>(cls));
    }
    m_words = (m_classStart.size() + 63) / 64;
    m_accept.assign(sets.size() * m_words, 0);
    for (size_t set = 0; set < sets.size(); ++set) {
        for (const auto& [first, last] : sets[set].Intervals()) {
            for (uint32_t cls = ClassOf(first); cls <= ClassOf(last); ++cls) {
                m_accept[set * m_words + cls / 64] |= uint64_t{1} << (cls % 64);
            }
        }
    }
}

CRegex::CRegex(Program program)
    : m_program(std::move(program)), m_tables(std::make_unique<Tables>()) {
    m_tables->BuildClasses(m_program.m_sets);
    m_tables->m_visited.assign(m_program.m_nodes.size(), 0);
    m_tables->m_emitted.assign(m_program.m_nodes.size(), 0);
    if (m_program.m_counters == 0 && !m_program.m_positional) {
        m_tables->m_stepIndex.assign(m_tables->m_classStart.size(), -1);
        CRunner(m_program, *m_tables, {}).FillStartCache();
    }
}

CRegex::CRegex(CRegex&&) noexcept = default;
CRegex& CRegex::operator=(CRegex&&) noexcept = default;
CRegex::~CRegex() = default;

std::optional<CRegex> CRegex::Compile(std::wstring_view pattern) {
    std::optional<Program> program = CompileProgram(pattern);
    // Class numbers are 16 bits wide in the character table.
    if (!program || ClassStarts(program->m_sets).size() > 0xFFFF) {
        return std::nullopt;
    }
    return CRegex(std::move(*program));
}

std::optional<Span> CRegex::Search(std::wstring_view text) const {
    return CRunner(m_program, *m_tables, text).Run();
}

size_t CRegex::CompiledBytes() const {
    size_t bytes = sizeof(*this) + sizeof(Tables) + m_program.m_nodes.size() * sizeof(Node);
    for (const CCharSet& set : m_program.m_sets) {
        bytes += sizeof(set) + set.Intervals().size() * sizeof(CCharSet::Interval);
    }
    const Tables& t = *m_tables;
    bytes += t.m_tableClass.size() * sizeof(uint16_t) + t.m_classStart.size() * sizeof(Char) +
             t.m_accept.size() * sizeof(uint64_t) + t.m_startNodes.size() * sizeof(uint32_t) +
             t.m_stepIndex.size() * sizeof(int32_t) +
             (t.m_visited.size() + t.m_emitted.size()) * sizeof(uint32_t);
    for (const StartStep& step : t.m_steps) {
        bytes += sizeof(step) + step.m_nodes.size() * sizeof(uint32_t);
    }
    return bytes;
}

} // namespace regex
