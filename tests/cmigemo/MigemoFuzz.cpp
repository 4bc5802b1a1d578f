// Fuzzer of the patched Migemo library: hostile dictionary sets and queries (see
// DictionaryGenerator) through migemo_open and migemo_query on a thread of a 1 MB stack, until a
// time limit. Built with the sanitizers, a memory fault ends the run with its report; the files
// of the case that hit it stay in the folder printed first. Fails as well on a well-formed set
// refused, a set over a limit accepted, or memory left unreachable. Prints the slowest cases
// met and a summary.
//   skimvue_migemo_fuzz [seconds] [seed] [folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "DictionaryGenerator.h"
#include "MigemoProbe.h"

namespace {

constexpr size_t kQueriesPerSet = 12;
constexpr uint64_t kSetsPerLeakCheck = 200;

struct Totals {
    uint64_t m_sets = 0;
    uint64_t m_opened = 0;
    uint64_t m_queries = 0;
    uint64_t m_failures = 0;
    double m_worstMs = 0;
    size_t m_longestAnswer = 0;
};

void RunSet(CDictionaryGenerator& generator, const std::filesystem::path& dir, Totals& totals) {
    const DictionarySet set = generator.Next();
    std::vector<std::string> queries;
    for (size_t i = 0; i < kQueriesPerSet; ++i) {
        queries.push_back(generator.Query());
    }
    const ProbeResult result = ProbeSet(dir, set, queries);
    ++totals.m_sets;
    totals.m_opened += result.m_opened;
    totals.m_queries += queries.size();
    totals.m_longestAnswer = std::max(totals.m_longestAnswer, result.m_longestAnswer);
    if (set.m_mustOpen && *set.m_mustOpen != result.m_opened) {
        ++totals.m_failures;
        std::printf("FAILED set %llu (%s, %zu bytes): %s\n",
                    static_cast<unsigned long long>(totals.m_sets), set.m_kind,
                    set.m_files[0].m_bytes.size(), result.m_opened ? "opened" : "refused");
    }
    if (result.m_ms > totals.m_worstMs) {
        totals.m_worstMs = result.m_ms;
        std::printf("slowest so far: set %llu (%s, %zu bytes, %s), %.1f ms, answer of %zu bytes\n",
                    static_cast<unsigned long long>(totals.m_sets), set.m_kind,
                    set.m_files[0].m_bytes.size(), result.m_opened ? "opened" : "refused",
                    result.m_ms, result.m_longestAnswer);
    }
    std::fflush(stdout);
}

void PrintTotals(uint64_t seed, double seconds, const Totals& totals) {
    std::printf("seed %llu, %.0f s: %llu sets (%llu opened), %llu queries, slowest set %.1f ms, "
                "longest answer %zu bytes, %llu failures\n",
                static_cast<unsigned long long>(seed), seconds,
                static_cast<unsigned long long>(totals.m_sets),
                static_cast<unsigned long long>(totals.m_opened),
                static_cast<unsigned long long>(totals.m_queries), totals.m_worstMs,
                totals.m_longestAnswer, static_cast<unsigned long long>(totals.m_failures));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    const std::filesystem::path dir = argc > 3
                                          ? std::filesystem::path(argv[3])
                                          : std::filesystem::temp_directory_path() /
                                                ("skimvue-migemo-fuzz-" + std::to_string(seed));
    std::printf("cases written to %s\n", dir.c_str());
    CDictionaryGenerator generator(seed, RealDictionaryLines(), RealTables());
    Totals totals;
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    RunOnThreadOf1MB([&] {
        for (double reported = 0; elapsed() < seconds;) {
            RunSet(generator, dir, totals);
            if (totals.m_sets % kSetsPerLeakCheck == 0 && LeaksFound()) {
                ++totals.m_failures;
                std::printf("FAILED: memory left unreachable by set %llu or before\n",
                            static_cast<unsigned long long>(totals.m_sets));
            }
            if (elapsed() - reported >= 60) {
                reported = elapsed();
                PrintTotals(seed, reported, totals);
            }
        }
    });
    if (LeaksFound()) {
        ++totals.m_failures;
    }
    PrintTotals(seed, elapsed(), totals);
    std::filesystem::remove_all(dir);
    return totals.m_failures == 0 ? 0 : 1;
}
