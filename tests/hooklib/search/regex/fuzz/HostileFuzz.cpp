// Adversarial fuzzer: texts meant to cost the most (see HostileGenerator), each searched as one
// costly keystroke over names of 259 characters, until a time limit. Fails on a keystroke
// slower than the bound, a pass over its budget, or more memory than the bound; prints every
// failure as a ready-made case, the costliest keystrokes met, and a summary.
//   skimvue_regex_hostile_fuzz [seconds] [seed] [names] [bound in ms]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "HostileGenerator.h"
#include "KeystrokeProbe.h"
#include "fuzz/CaseGenerator.h"
#include "search/Pattern.h"

namespace {

constexpr size_t kMaxExtraBytes = 16 << 20;

struct Worst {
    double m_ms = 0;
    uint64_t m_steps = 0;
    size_t m_bytes = 0;
};

struct Totals {
    uint64_t m_texts = 0;
    uint64_t m_cutNames = 0;
    uint64_t m_failures = 0;
    Worst m_worst;
};

void Print(const char* what, const std::wstring& text,
           const std::optional<std::wstring>& expression, const KeystrokeCost& cost) {
    std::printf(
        "%s %.1f ms, %llu steps, %zu KB, %zu matches, %zu cut: L\"%ls\" (Migemo %zu chars)\n", what,
        cost.m_ms, static_cast<unsigned long long>(cost.m_steps), cost.m_extraBytes >> 10,
        cost.m_matches, cost.m_cutNames, Printable(text).c_str(),
        expression ? expression->size() : 0);
    std::fflush(stdout);
}

void RunText(CHostileGenerator& generator, size_t names, double boundMs, Totals& totals) {
    const std::wstring text = generator.Text();
    std::optional<std::wstring> expression;
    if (totals.m_texts % 2 == 0) {
        expression = generator.MigemoExpression();
    }
    const CNameList list(generator.Names(text, names));
    KeystrokeCost cost = RunKeystroke(text, expression, list);
    // The machine is shared: a keystroke over the bound is timed twice more, the best counting.
    for (int again = 0; again < 2 && cost.m_ms > boundMs; ++again) {
        cost.m_ms = std::min(cost.m_ms, RunKeystroke(text, expression, list).m_ms);
    }
    ++totals.m_texts;
    totals.m_cutNames += cost.m_cutNames;
    const bool failed =
        cost.m_ms > boundMs || !cost.m_overBound.empty() || cost.m_extraBytes > kMaxExtraBytes;
    if (failed) {
        ++totals.m_failures;
        Print(cost.m_overBound.empty() ? "FAILED" : "FAILED (steps over budget)", text, expression,
              cost);
    } else if (cost.m_ms > totals.m_worst.m_ms) {
        Print("slowest so far", text, expression, cost);
    }
    Worst& worst = totals.m_worst;
    worst.m_ms = std::max(worst.m_ms, cost.m_ms);
    worst.m_steps = std::max(worst.m_steps, cost.m_steps);
    worst.m_bytes = std::max(worst.m_bytes, cost.m_extraBytes);
}

void PrintTotals(uint64_t seed, double seconds, const Totals& totals) {
    std::printf("seed %llu, %.0f s: %llu texts, worst keystroke %.1f ms, most steps %llu, most "
                "memory %zu KB, %llu names cut off, %llu failures\n",
                static_cast<unsigned long long>(seed), seconds,
                static_cast<unsigned long long>(totals.m_texts), totals.m_worst.m_ms,
                static_cast<unsigned long long>(totals.m_worst.m_steps),
                totals.m_worst.m_bytes >> 10, static_cast<unsigned long long>(totals.m_cutNames),
                static_cast<unsigned long long>(totals.m_failures));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    const size_t names = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 10000;
    const double boundMs = argc > 4 ? std::atof(argv[4]) : 100;
    CHostileGenerator generator(seed);
    Totals totals;
    BuildPlainPattern(L"a"); // the classic locale's tables, once per process
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (double reported = 0; elapsed() < seconds;) {
        RunText(generator, names, boundMs, totals);
        if (elapsed() - reported >= 60) {
            reported = elapsed();
            PrintTotals(seed, reported, totals);
        }
    }
    PrintTotals(seed, elapsed(), totals);
    return totals.m_failures == 0 ? 0 : 1;
}
