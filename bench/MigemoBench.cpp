// Romaji search cost with real Migemo expressions: for queries of 1 to 8 letters over 1,000,
// 10,000 and 100,000 names, the median time of one matching pass with the Migemo pattern and
// with the plain pattern, the time of opening the dictionary, and peak memory. Then one
// keystroke's RunSearch (plain and Migemo pattern, PriorForwardMatch off and on) against the
// same run done with std::wregex, and hostile patterns on 10,000 long names.
//   skimvue_migemo_bench [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <regex>
#include <functional>
#include <string>
#include <vector>

#include "search/Migemo.h"
#include "search/MigemoLibrary.h"
#include "search/Pattern.h"
#include "search/SearchRun.h"
#include "settings/SharedBlock.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using Names = std::vector<std::wstring>;

// One matching pass over all names; returns the number of names that match. Kept apart so the
// search run can take its place once it exists.
using MatchPass = std::function<size_t(const CPattern&, const Names&)>;

size_t MatchAll(const CPattern& pattern, const Names& names) {
    return static_cast<size_t>(std::count_if(
        names.begin(), names.end(), [&](const auto& name) { return pattern.Search(name); }));
}

std::string DictionaryFile() {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\')) + "\\dict\\cp932\\migemo-dict";
#else
    return "/usr/share/cmigemo/cp932/migemo-dict";
#endif
}

// The kanji and kana words of the dictionary, in file order.
std::vector<std::wstring> DictionaryWords() {
    std::ifstream file(DictionaryFile(), std::ios::binary);
    std::vector<std::wstring> words;
    std::string line;
    while (std::getline(file, line)) {
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == ';' || tab == std::string::npos) {
            continue;
        }
        const size_t end = line.find('\t', tab + 1);
        words.push_back(FromCp932(line.substr(tab + 1, end - tab - 1).c_str()));
    }
    return words;
}

// A fixed linear congruential generator: the same corpus on every platform.
class CCorpusRandom {
  public:
    size_t Next(size_t bound) {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<size_t>(m_state >> 33) % bound;
    }

  private:
    unsigned long long m_state = 20240601;
};

Names MakeCorpus(const std::vector<std::wstring>& words, size_t count) {
    static const wchar_t* const english[] = {L"report",  L"Nihonbashi", L"kensaku_log", L"draft",
                                             L"invoice", L"Kanagawa",   L"photo",       L"backup",
                                             L"meeting", L"shiryou",    L"README",      L"setup"};
    static const wchar_t* const extensions[] = {L".txt", L".docx", L".xlsx", L".pdf", L".png",
                                                L".jpg", L".zip",  L".cpp",  L""};
    CCorpusRandom random;
    Names names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::wstring name;
        if (random.Next(10) < 6) {
            name = words[random.Next(words.size())];
            if (random.Next(2) == 0) {
                name += L"_" + words[random.Next(words.size())];
            }
        } else {
            name = std::wstring(english[random.Next(std::size(english))]) + L"_" +
                   std::to_wstring(random.Next(10000));
        }
        names.push_back(name + extensions[random.Next(std::size(extensions))]);
    }
    return names;
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// On a shared machine the median swings from run to run; the best of the runs is steadier.
struct Timing {
    double m_median;
    double m_best;
};

// prepare runs untimed before each repetition.
Timing TimeMs(
    int repetitions, const std::function<void()>& work,
    const std::function<void()>& prepare = [] {}) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        prepare();
        const auto start = Clock::now();
        work();
        times.push_back(Milliseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

double MedianMs(int repetitions, const std::function<void()>& work) {
    return TimeMs(repetitions, work).m_median;
}

double PeakMemoryMiB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

void MeasureOpen(int repetitions) {
    const double open = MedianMs(repetitions, [] {
        DeleteProcessMigemo();
        GetMigemo();
    });
    std::printf("migemo library load + migemo_open: median %.1f ms over %d\n", open, repetitions);
    std::printf("peak memory after opening: %.1f MiB\n", PeakMemoryMiB());
}

void MeasureQueries(const Names& names, int repetitions, const MatchPass& pass) {
    static const wchar_t* const queries[] = {L"k",     L"ni",     L"kan",     L"shir",
                                             L"kensa", L"nihong", L"shiryou", L"kaigirok"};
    const auto migemo = GetMigemo();
    for (const wchar_t* query : queries) {
        const CPattern plain = BuildPlainPattern(query);
        const CPattern romaji = BuildMigemoPattern(migemo.get(), query, false);
        const size_t expression = migemo->Query(query).value_or(L"").size();
        size_t migemoHits = 0;
        size_t plainHits = 0;
        const double migemoMs = MedianMs(repetitions, [&] { migemoHits = pass(romaji, names); });
        const double plainMs = MedianMs(repetitions, [&] { plainHits = pass(plain, names); });
        std::printf("%7zu names  %-9ls %zu letters  expr %5zu chars  migemo %9.2f ms (%6zu hits)"
                    "  plain %8.2f ms (%6zu hits)\n",
                    names.size(), query, std::wcslen(query), expression, migemoMs, migemoHits,
                    plainMs, plainHits);
    }
}

// The search run done with std::wregex throughout: the reference for speed and results.
class CLibraryRun {
  public:
    CLibraryRun(const Names& names, CMigemo& migemo) : m_names(names), m_migemo(migemo) {}

    std::vector<Candidate> Run(const std::wstring& text, bool prior) {
        std::vector<Candidate> candidates;
        MatchedSet matched(m_names.size(), false);
        if (prior) {
            Pass(L"^" + text, candidates, matched);
        }
        Pass(text, candidates, matched);
        return candidates;
    }

  private:
    static std::optional<std::wregex> Compile(const std::wstring& text) {
        try {
            return std::wregex(text,
                               std::regex_constants::ECMAScript | std::regex_constants::icase);
        } catch (const std::regex_error&) {
            return std::nullopt;
        }
    }

    static bool Search(const std::optional<std::wregex>& regex, const std::wstring& name,
                       std::wstring& found) {
        std::wsmatch match;
        if (!regex || !std::regex_search(name, match, *regex)) {
            return false;
        }
        found = match.str(0);
        return true;
    }

    void Pass(const std::wstring& text, std::vector<Candidate>& candidates, MatchedSet& matched) {
        const bool anchored = text[0] == L'^';
        const auto expression = m_migemo.Query(anchored ? text.substr(1) : text);
        const auto plain = Compile(text);
        const auto romaji =
            expression ? Compile(EditMigemoExpression(*expression, anchored)) : std::nullopt;
        std::wstring found;
        for (size_t i = 0; i < m_names.size(); ++i) {
            if (!matched[i] &&
                (Search(plain, m_names[i], found) || Search(romaji, m_names[i], found))) {
                candidates.push_back({static_cast<uint32_t>(i), found});
                matched[i] = true;
            }
        }
    }

    const Names& m_names;
    CMigemo& m_migemo;
};

bool SameCandidates(const std::vector<Candidate>& a, const std::vector<Candidate>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.m_itemIndex == y.m_itemIndex && x.m_matchedText == y.m_matchedText;
    });
}

void MeasureKeystrokes(const Names& names, int repetitions) {
    static const wchar_t* const queries[] = {L"ni",     L"kan",     L"shir",    L"kensa",
                                             L"nihong", L"shiryou", L"kaigirok"};
    SearchCore state;
    state.m_itemNames = names;
    const auto migemo = GetMigemo();
    CLibraryRun library(names, *migemo);
    // Each keystroke is a new query: the adapter's last answer is of another one.
    const auto otherQuery = [&] { migemo->Query(L"x"); };
    for (const int prior : {0, 1}) {
        Shared.PriorForwardMatch = prior;
        for (const wchar_t* query : queries) {
            state.m_searchText = query;
            const Timing ours = TimeMs(
                repetitions, [&] { RunSearch(2, state, Both); }, otherQuery);
            std::vector<Candidate> reference;
            const double theirs =
                TimeMs(
                    repetitions, [&] { reference = library.Run(query, prior == 1); }, otherQuery)
                    .m_median;
            std::printf("keystroke %7zu names  prior %-3s %-9ls ours %8.3f ms (best %7.3f)"
                        "  std::wregex %9.3f ms  ratio 1:%-6.1f %6zu candidates%s\n",
                        names.size(), prior ? "on" : "off", query, ours.m_median, ours.m_best,
                        theirs, theirs / ours.m_median, state.m_candidates.size(),
                        SameCandidates(state.m_candidates, reference) ? "" : "  DIFFERENT");
        }
    }
    Shared.PriorForwardMatch = 0;
}

// Patterns that make the library backtrack without bound, or once hung or crashed the host, on
// 10,000 names of 259 "a": each keystroke ends within its budget (PriorForwardMatch on: two
// passes where the text has an alternation at its top).
void MeasureHostile(int repetitions) {
    SearchCore state;
    state.m_itemNames = ItemNames(10000, std::wstring(259, L'a'));
    const std::wstring nested = std::wstring(101, L'(') + L"a" + std::wstring(101, L')') + L"*b";
    Shared.PriorForwardMatch = 1;
    for (const std::wstring text :
         {L"(a*)*b", L"(a|a)*b", L"((a*)*)*b", L"(a*b*)*c", L"(a*)*\\1b", L"(.)\\1|x", L"\\ba\\w*",
          L"\\w+$", L"(?:)*(?:)*(?:)*(?:)*(?:a?){1000}(?:a?){1000}a", nested.c_str()}) {
        state.m_searchText = text;
        const double ms = MedianMs(repetitions, [&] { RunSearch(1, state, PlainOnly); });
        const CPattern pattern = BuildPlainPattern(text);
        std::printf("hostile %-24.24ls on 10000 names of 259 a: %8.2f ms, %5zu candidates%s\n",
                    text.c_str(), ms, state.m_candidates.size(),
                    pattern.IsEmpty()       ? " (beyond the limits: no match)"
                    : pattern.UsesLibrary() ? " (std::wregex under its budget)"
                                            : "");
    }
    Shared.PriorForwardMatch = 0;
}

void MeasureCompiledSize() {
    static const wchar_t* const queries[] = {L"ni",     L"kan",     L"shir",    L"kensa",
                                             L"nihong", L"shiryou", L"kaigirok"};
    size_t largest = 0;
    size_t bytes = 0;
    for (const wchar_t* query : queries) {
        for (const bool anchored : {false, true}) {
            const auto expression = GetMigemo()->Query(query).value_or(L"");
            const std::wstring edited = EditMigemoExpression(expression, anchored);
            if (const auto regex = regex::CRegex::Compile(edited);
                regex && edited.size() > largest) {
                largest = edited.size();
                bytes = regex->CompiledBytes();
            }
        }
    }
    std::printf("largest Migemo pattern of the keystrokes: %zu chars, compiled %zu bytes\n",
                largest, bytes);
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    MeasureOpen(repetitions);
    const auto words = DictionaryWords();
    std::printf("dictionary words for the corpus: %zu\n", words.size());
    if (words.empty() || !GetMigemo()->Query(L"ka")) {
        std::printf("no Migemo library or dictionary\n");
        return 1;
    }
    for (const size_t count : {1000u, 10000u, 100000u}) {
        MeasureQueries(MakeCorpus(words, count),
                       count >= 100000 ? std::max(3, repetitions / 2) : repetitions, MatchAll);
    }
    MeasureCompiledSize();
    for (const size_t count : {10000u, 100000u}) {
        MeasureKeystrokes(MakeCorpus(words, count),
                          count >= 100000 ? std::max(3, repetitions / 2) : repetitions);
    }
    MeasureHostile(repetitions);
    std::printf("peak memory: %.1f MiB\n", PeakMemoryMiB());
    return 0;
}
