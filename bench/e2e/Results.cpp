#include "Results.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Figures {
    size_t m_count = 0;
    // Keys among count that selected nothing (timed to the end of their handling).
    size_t m_unselected = 0;
    double m_median = 0;
    double m_max = 0;
};

// What a row is held against; no verdict where no target applies.
struct Verdict {
    std::string m_target;
    std::optional<bool> m_met;
};

Figures Summarise(std::vector<double> values, size_t unselected) {
    Figures figures;
    figures.m_count = values.size();
    figures.m_unselected = unselected;
    if (values.empty()) {
        return figures;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    figures.m_median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    figures.m_max = values.back();
    return figures;
}

Figures KeyFigures(const std::vector<TypedKey>& keys,
                   const std::function<bool(const TypedKey&)>& counted) {
    std::vector<double> values;
    size_t unselected = 0;
    for (const TypedKey& key : keys) {
        if (counted(key)) {
            values.push_back(key.m_ms);
            unselected += key.m_selected ? 0 : 1;
        }
    }
    return Summarise(values, unselected);
}

Figures RunFigures(const std::optional<HostOpTimes>& times, bool deselect) {
    std::vector<double> values;
    if (times) {
        const double* runs = deselect ? times->m_deselectAllMs : times->m_readAllMs;
        values.assign(runs, runs + times->m_runs);
    }
    return Summarise(values, 0);
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

Verdict AtMost(double limitMs, const Figures& figures) {
    return Verdict{"max <= " + Format("%.0f", limitMs) + " ms",
                   figures.m_count > 0 && figures.m_max <= limitMs};
}

void PrintHeading() {
    std::printf("%-7s %-6s %-44s %8s %9s %9s  %s\n", "names", "query", "measurement", "n", "median",
                "max", "target");
}

void PrintRow(int names, const char* kind, const std::string& what, const Figures& figures,
              const Verdict& verdict = {}) {
    std::string count = std::to_string(figures.m_count);
    if (figures.m_unselected > 0) {
        count += " (" + std::to_string(figures.m_unselected) + "*)";
    }
    const std::string median = figures.m_count > 0 ? Format("%.1f", figures.m_median) : "-";
    const std::string max = figures.m_count > 0 ? Format("%.1f", figures.m_max) : "-";
    std::printf("%-7d %-6s %-44s %8s %9s %9s", names, kind, what.c_str(), count.c_str(),
                median.c_str(), max.c_str());
    if (verdict.m_met) {
        const char* outcome =
            figures.m_count == 0 ? "no figures" : (*verdict.m_met ? "met" : "MISSED");
        std::printf("  %-34s %s", verdict.m_target.c_str(), outcome);
    }
    std::printf("\n");
}

void PrintKeyRows(const SizeResults& size, QueryKind kind) {
    const char* name = kind == kPlainQuery ? "plain" : "romaji";
    const std::vector<TypedKey>& keys = size.m_library[kind];
    const Figures own = KeyFigures(size.m_typeAhead[kind], [](const TypedKey&) { return true; });
    const Figures every = KeyFigures(keys, [](const TypedKey&) { return true; });
    const Figures later = KeyFigures(keys, [](const TypedKey& key) { return key.m_position > 0; });
    const Figures searchFirst = KeyFigures(
        keys, [](const TypedKey& key) { return key.m_position == 0 && !key.m_processFirst; });
    const Figures processFirst =
        KeyFigures(keys, [](const TypedKey& key) { return key.m_processFirst; });

    Verdict everyVerdict;
    if (size.m_names == 10000) {
        everyVerdict.m_target =
            "max <= 16 ms, median <= 2x own " + Format("(%.1f)", 2 * own.m_median);
        everyVerdict.m_met = every.m_count > 0 && own.m_count > 0 && every.m_max <= 16 &&
                             every.m_median <= 2 * own.m_median;
    }
    PrintRow(size.m_names, name, "every key (a selection present)", every, everyVerdict);
    PrintRow(size.m_names, name, "every key after the first", later,
             size.m_names == 100000 ? AtMost(100, later) : Verdict{});
    PrintRow(size.m_names, name, "first key of a search (names read afresh)", searchFirst,
             size.m_names == 100000 ? AtMost(300, searchFirst) : Verdict{});
    PrintRow(size.m_names, name, "first key of the process", processFirst,
             size.m_names == 10000 ? AtMost(50, processFirst) : Verdict{});
    PrintRow(size.m_names, name, "the list view's own type-ahead, every key", own);
}

void PrintHostRows(const SizeResults& size, bool deselect) {
    const std::string what = deselect ? "deselect-all" : "text of every item";
    const Figures without = RunFigures(size.m_hostWithout, deselect);
    const Figures with = RunFigures(size.m_hostWith, deselect);
    Verdict verdict{"median <= 1.2x without " + Format("(%.1f)", 1.2 * without.m_median),
                    without.m_count > 0 && with.m_count > 0 &&
                        with.m_median <= 1.2 * without.m_median};
    PrintRow(size.m_names, "host", what + ", no library", without);
    PrintRow(size.m_names, "host", what + ", library attached", with, verdict);
}

std::string Memory(const std::optional<MemorySample>& sample) {
    if (!sample) {
        return "-";
    }
    char text[64];
    std::snprintf(text, sizeof(text), "%.1f / %.1f", sample->m_workingSetMb, sample->m_privateMb);
    return text;
}

std::string Added(const std::optional<MemorySample>& before,
                  const std::optional<MemorySample>& after) {
    if (!before || !after) {
        return "-";
    }
    return Memory(MemorySample{after->m_workingSetMb - before->m_workingSetMb,
                               after->m_privateMb - before->m_privateMb});
}

void PrintMemory(const std::vector<SizeResults>& sizes) {
    std::printf("\nHost memory, MB (working set / private bytes, GetProcessMemoryInfo):\n");
    std::printf("%-7s %-18s %-20s %-20s %s\n", "names", "before attaching", "attached",
                "first romaji search", "added by both");
    for (const SizeResults& size : sizes) {
        std::printf("%-7d %-18s %-20s %-20s %s\n", size.m_names,
                    Memory(size.m_memoryBefore).c_str(), Memory(size.m_memoryAttached).c_str(),
                    Memory(size.m_memoryAfterRomaji).c_str(),
                    Added(size.m_memoryBefore, size.m_memoryAfterRomaji).c_str());
    }
    std::printf("(attached: just before the first key; first romaji search: after its last key)\n");
}

// A shell view's keys: every later key of a search at most 16 ms at 10,000 files; the first
// key of a search (the process's very first included), which reads the names afresh, at most
// 100 ms at 10,000 files and 1 s at 100,000.
enum class KeyPhase { kLater, kFirst };

Verdict ShellVerdict(int names, KeyPhase phase, const Figures& figures) {
    if (names == 10000) {
        return AtMost(phase == KeyPhase::kLater ? 16 : 100, figures);
    }
    if (names == 100000 && phase == KeyPhase::kFirst) {
        return AtMost(1000, figures);
    }
    return {};
}

void PrintShellKeyRows(const ShellResults& shell, QueryKind kind) {
    const char* name = kind == kPlainQuery ? "plain" : "romaji";
    const std::string view = std::string(shell.m_view) + ", ";
    const std::vector<TypedKey>& keys = shell.m_library[kind];
    const auto all = [](const TypedKey&) { return true; };
    PrintRow(shell.m_names, name, view + "every key", KeyFigures(keys, all));
    const Figures later = KeyFigures(keys, [](const TypedKey& key) { return key.m_position > 0; });
    PrintRow(shell.m_names, name, view + "every key after the first", later,
             ShellVerdict(shell.m_names, KeyPhase::kLater, later));
    const Figures searchFirst = KeyFigures(
        keys, [](const TypedKey& key) { return key.m_position == 0 && !key.m_processFirst; });
    PrintRow(shell.m_names, name, view + "first key of a search", searchFirst,
             ShellVerdict(shell.m_names, KeyPhase::kFirst, searchFirst));
    // The process's first key is the first plain one.
    if (kind == kPlainQuery) {
        const Figures processFirst =
            KeyFigures(keys, [](const TypedKey& key) { return key.m_processFirst; });
        PrintRow(shell.m_names, name, view + "first key of the process", processFirst,
                 ShellVerdict(shell.m_names, KeyPhase::kFirst, processFirst));
    }
    PrintRow(shell.m_names, name, view + "own type-ahead, one query",
             KeyFigures(shell.m_typeAhead[kind], all));
}

} // namespace

void PrintShellResults(const RunInfo& info, const std::vector<ShellResults>& views) {
    std::printf(
        "\nShell views, %s build, %s. Times in ms.\n"
        "browser: Wine's file browser (explorer.exe FOLDER), attached through a list-view rule;\n"
        "dialog: Wine's Explorer-style Open dialog (GetOpenFileNameW, OFN_EXPLORER) in a program\n"
        "of the benchmark's, attached through %s. Each shows a real folder of that\n"
        "many empty files. A key: typed with xdotool (%d ms apart), timed inside the view's\n"
        "process by the benchmark's probe, hooked into the view's thread: from its WM_CHAR\n"
        "leaving the queue to the LVN_ITEMCHANGED that selects the new item. (n*): n keys\n"
        "selected nothing; they count until their handling ended. Between keys the probe puts\n"
        "the selection back on one item. A search starts after a pause of more than\n"
        "InputInterval (%d ms); each query is typed after a pause of %d ms, plain ones first.\n"
        "\"own type-ahead\" is the view's own, typed before the library attached (the first query\n"
        "of each kind).\n\n",
        info.m_build.c_str(), info.m_wine.c_str(),
        info.m_fileDialogSetting ? "the file-dialog setting" : "a list-view rule",
        info.m_typeDelayMs, info.m_inputIntervalMs, info.m_searchPauseMs);
    PrintHeading();
    for (const ShellResults& shell : views) {
        PrintShellKeyRows(shell, kPlainQuery);
        PrintShellKeyRows(shell, kRomajiQuery);
    }
    std::printf("\nThe views' own work, ms: listing is from the view's start until it held every\n"
                "file; every name is LVM_GETITEMTEXTW of each item in the view's thread (each a\n"
                "trip into the shell), as the list-view controller reads names; the shell\n"
                "controller reads them through the view's IFolderView instead.\n");
    std::printf("%-7s %-8s %10s %11s\n", "names", "view", "listing", "every name");
    for (const ShellResults& shell : views) {
        std::printf("%-7d %-8s %10s %11s\n", shell.m_names, shell.m_view,
                    shell.m_listedMs >= 0 ? Format("%.0f", shell.m_listedMs).c_str() : "-",
                    shell.m_readAllMs >= 0 ? Format("%.1f", shell.m_readAllMs).c_str() : "-");
    }
    for (const ShellResults& shell : views) {
        for (const std::string& problem : shell.m_problems) {
            std::printf("problem: %d files, %s: %s\n", shell.m_names, shell.m_view,
                        problem.c_str());
        }
    }
    std::fflush(stdout);
}

void PrintResults(const RunInfo& info, const std::vector<SizeResults>& sizes) {
    std::printf("Skimvue end to end, %s build, %s. Times in ms.\n", info.m_build.c_str(),
                info.m_wine.c_str());
    std::printf(
        "A key: typed with xdotool (%d ms apart) into a real list view in another process, timed\n"
        "by that process from its WM_CHAR leaving the queue (GetMessageW) to the LVN_ITEMCHANGED\n"
        "that selects the new item. (n*): n keys selected nothing; they count until their\n"
        "handling ended. Between keys the host puts the selection back on one item, so every\n"
        "key has one selected item to change. A search starts after a pause of more than\n"
        "InputInterval (%d ms); each query is typed after a pause of %d ms. \"first key of a\n"
        "search\" leaves out the process's first key, which has its own row. Tooltip %s.\n"
        "host: the host's own work, timed inside it (median and max of the runs):\n"
        "deselect-all is LVM_SETITEMSTATE with index -1 clearing LVIS_SELECTED (one item\n"
        "selected), text of every item is LVM_GETITEMTEXTW for each item.\n\n",
        info.m_typeDelayMs, info.m_inputIntervalMs, info.m_searchPauseMs,
        info.m_toolTip ? "on" : "off");
    PrintHeading();
    for (const SizeResults& size : sizes) {
        PrintKeyRows(size, kPlainQuery);
        PrintKeyRows(size, kRomajiQuery);
        PrintHostRows(size, true);
        PrintHostRows(size, false);
    }
    PrintMemory(sizes);
    for (const SizeResults& size : sizes) {
        for (const std::string& problem : size.m_problems) {
            std::printf("problem: %s\n", problem.c_str());
        }
    }
    std::fflush(stdout);
}
