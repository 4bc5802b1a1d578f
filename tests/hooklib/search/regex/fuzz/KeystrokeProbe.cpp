#include "KeystrokeProbe.h"

#include <chrono>
#include <ctime>

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

// Natively the time the keystroke's own thread ran: the machine is shared, and time given to
// other programs is no work of the search. Windows builds take the time that passed.
double Milliseconds() {
#ifdef _WIN32
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
#endif
}

} // namespace

KeystrokeCost RunKeystroke(const std::wstring& text, const std::optional<std::wstring>& expression,
                           const CNameList& names) {
    KeystrokeCost cost;
    const size_t before = allocation::Live();
    allocation::ResetPeak();
    const double start = Milliseconds();
    for (const bool anchored : {true, false}) {
        const CPattern plain = BuildPlainPattern(anchored ? L"^" + text : text);
        const CPattern romaji = BuildMigemoPatternFromExpression(expression, anchored);
        Pass(plain, romaji, names, cost);
    }
    cost.m_ms = Milliseconds() - start;
    cost.m_extraBytes = allocation::Peak() - before;
    return cost;
}
