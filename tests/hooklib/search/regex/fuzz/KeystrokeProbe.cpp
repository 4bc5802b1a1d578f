#include "KeystrokeProbe.h"

#include <chrono>

#include "AllocationMeter.h"
#include "search/Pattern.h"

namespace {

// What a pass of pattern over names may spend at most (see CPattern).
uint64_t PassBound(const CPattern& pattern, size_t names) {
    const regex::BudgetLimits& limits =
        pattern.UsesLibrary() ? CPattern::kLibraryBudget : CPattern::kEngineBudget;
    return names * pattern.Budget().Own() + limits.m_reserve;
}

void Pass(const CPattern& plain, const CPattern& romaji, const CNameList& names,
          KeystrokeCost& cost) {
    const CPatternPair pair(plain, romaji, names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        cost.m_matches += pair.Find(names.Text(i)) ? 1 : 0;
    }
    for (const CPattern* pattern : {&plain, &romaji}) {
        const uint64_t spent = pattern->Budget().Spent();
        cost.m_steps += spent;
        cost.m_cutNames += pattern->Budget().CutNames();
        if (spent > PassBound(*pattern, names.size())) {
            cost.m_overBound = pattern == &plain ? L"plain" : L"Migemo";
        }
    }
}

} // namespace

KeystrokeCost RunKeystroke(const std::wstring& text, const std::optional<std::wstring>& expression,
                           const CNameList& names) {
    KeystrokeCost cost;
    const size_t before = allocation::Live();
    allocation::ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    for (const bool anchored : {true, false}) {
        const CPattern plain = BuildPlainPattern(anchored ? L"^" + text : text);
        const CPattern romaji = BuildMigemoPatternFromExpression(expression, anchored);
        Pass(plain, romaji, names, cost);
    }
    cost.m_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    cost.m_extraBytes = allocation::Peak() - before;
    return cost;
}
