// Median time of one search run (the plain pattern over every name), for growing folders and
// search texts of 1 to 5 characters, with and without preferring forward matches.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Corpus.h"
#include "search/SearchRun.h"
#include "settings/SharedBlock.h"

namespace {

double MedianMs(SearchCore& state, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        RunSearch(1, state, PlainOnly);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    const std::wstring texts[] = {L"r", L"re", L"rep", L"repo", L"repor"};
    std::printf("%-8s %-7s %-6s %12s %10s\n", "names", "prior", "text", "median ms", "matches");
    for (const size_t count : {1000u, 10000u, 100000u}) {
        SearchCore state;
        state.m_itemNames = CCorpus().Names(count);
        const int runs = count >= 100000 ? 5 : 21;
        for (const int prior : {0, 1}) {
            Shared.PriorForwardMatch = prior;
            for (const std::wstring& text : texts) {
                state.m_searchText = text;
                const double ms = MedianMs(state, runs);
                std::printf("%-8zu %-7s %-6ls %12.3f %10zu\n", count, prior ? "on" : "off",
                            text.c_str(), ms, state.m_candidates.size());
            }
        }
    }
    return 0;
}
