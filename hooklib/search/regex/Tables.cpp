#include "search/regex/Tables.h"

#include <cstring>

namespace regex {
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

} // namespace

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

void CompiledTables::BuildClasses(const std::vector<CCharSet>& sets,
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

void CompiledTables::MarkStarts(const Program& program, EStart kind) {
    const StartClosure& start = m_start[kind];
    std::vector<uint64_t>& bits = m_mayStart[kind];
    bits.assign(kTableChars / 64, start.m_matches ? ~uint64_t{0} : 0);
    for (const uint32_t node : start.m_nodes) {
        const CCharSet& set = program.m_sets[program.m_nodes[node].m_set];
        for (const auto& [first, last] : set.Intervals()) {
            if (first < kTableChars) {
                SetBits(bits.data(), first, std::min(last, kTableChars - 1));
            }
        }
    }
}

void LearnedCache::Start(const CompiledTables& compiled) {
    for (const EStart kind : {kLaterStart, kFirstStart}) {
        m_startSteps[kind].m_stepIndex.assign(compiled.m_classStart.size() * compiled.m_contexts,
                                              -1);
        m_follow[kind].assign(compiled.m_classStart.size(), kUnknownFollow);
    }
    Intern({}); // kEmptyState
}

int32_t LearnedCache::Intern(std::vector<uint32_t> nodes) {
    const auto [it, added] = m_stateIds.emplace(nodes, static_cast<int32_t>(m_stateNodes.size()));
    if (added) {
        m_machineBytes += nodes.size() * sizeof(uint32_t) * 2 + kStateBytes;
        m_stateNodes.push_back(std::move(nodes));
    }
    return it->second;
}

void SearchScratch::Size(const Program& program) {
    m_countBits = 2 * static_cast<uint32_t>(program.m_counters);
    m_visited.assign(program.m_nodes.size() << m_countBits, 0);
    m_emitted.assign(program.m_nodes.size(), 0);
}

} // namespace regex
