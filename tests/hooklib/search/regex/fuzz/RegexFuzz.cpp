// Differential fuzzer: random patterns and names, our engine against std::wregex, until a time
// limit. Prints every disagreement as a ready-made regression case and a summary at the end.
//   skimvue_regex_fuzz [seconds] [seed] [names per pattern]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "CaseGenerator.h"

namespace {

struct Totals {
    uint64_t m_patterns = 0;
    uint64_t m_handled = 0;
    uint64_t m_cases = 0;
    uint64_t m_pairCases = 0; // the pattern searched together with the one before
    uint64_t m_skipped = 0;
    uint64_t m_cut = 0;
    uint64_t m_mismatches = 0;
};

void Report(const std::wstring& pattern, const std::wstring& name, const std::wstring& detail) {
    std::printf("MISMATCH {L\"%ls\", L\"%ls\"}, // %ls\n", Printable(pattern).c_str(),
                Printable(name).c_str(), detail.c_str());
    std::fflush(stdout);
}

void Tally(const std::wstring& pattern, const std::wstring& name, const CaseResult& result,
           Totals& totals) {
    totals.m_skipped += result.m_skipped ? 1 : 0;
    totals.m_cut += result.m_cut ? 1 : 0;
    if (!result.m_agree) {
        ++totals.m_mismatches;
        Report(pattern, name, result.m_detail);
    }
}

// Each handled pattern is also searched together with the handled one before it (previous),
// in either order, as the plain and the Migemo pattern of a keystroke are.
void RunPattern(CCaseGenerator& generator, int names, Totals& totals,
                std::optional<std::pair<std::wstring, CComparison>>& previous) {
    const std::wstring pattern = generator.Pattern();
    CComparison comparison(pattern);
    ++totals.m_patterns;
    if (!comparison.Agree()) {
        ++totals.m_mismatches;
        Report(pattern, L"", L"compiled here, rejected by the library");
    }
    if (!comparison.Handled()) {
        return;
    }
    ++totals.m_handled;
    // How a disagreement of each order is reported; made once, not for every name.
    const std::wstring thisFirstLabel = previous ? pattern + L" then " + previous->first : L"";
    const std::wstring thisSecondLabel = previous ? previous->first + L" then " + pattern : L"";
    for (int i = 0; i < names; ++i) {
        const std::wstring name = generator.Name();
        ++totals.m_cases;
        Tally(pattern, name, comparison.Compare(name), totals);
        if (previous) {
            const bool thisFirst = i % 2 == 0;
            const CComparison& first = thisFirst ? comparison : previous->second;
            const CComparison& second = thisFirst ? previous->second : comparison;
            ++totals.m_pairCases;
            Tally(thisFirst ? thisFirstLabel : thisSecondLabel, name,
                  first.CompareEither(second, name), totals);
        }
    }
    previous.emplace(pattern, std::move(comparison));
}

void PrintTotals(uint64_t seed, double seconds, const Totals& totals) {
    std::printf("seed %llu, %.0f s: %llu patterns (%llu handled by the engine), %llu name cases "
                "and %llu with two patterns compared, %llu skipped (library over its work "
                "limit), %llu cut off (ours over a name's budget), %llu mismatches\n",
                static_cast<unsigned long long>(seed), seconds,
                static_cast<unsigned long long>(totals.m_patterns),
                static_cast<unsigned long long>(totals.m_handled),
                static_cast<unsigned long long>(totals.m_cases),
                static_cast<unsigned long long>(totals.m_pairCases),
                static_cast<unsigned long long>(totals.m_skipped),
                static_cast<unsigned long long>(totals.m_cut),
                static_cast<unsigned long long>(totals.m_mismatches));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    const int names = argc > 3 ? std::atoi(argv[3]) : 30;
    CCaseGenerator generator(seed);
    Totals totals;
    std::optional<std::pair<std::wstring, CComparison>> previous;
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double reported = 0;
    while (elapsed() < seconds) {
        for (int i = 0; i < 100; ++i) {
            RunPattern(generator, names, totals, previous);
        }
        if (elapsed() - reported >= 60) {
            reported = elapsed();
            PrintTotals(seed, reported, totals);
        }
    }
    PrintTotals(seed, elapsed(), totals);
    return totals.m_mismatches == 0 ? 0 : 1;
}
