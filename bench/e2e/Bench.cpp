// A keystroke as the user feels it: the time from a typed character leaving the host's queue to
// the selection it causes, in a real list view of 1,000, 10,000 and 100,000 file names in
// another process, with the real library hooked into it through the real hook and handshake
// (this program calls the library's HookStart and HookEnd as the launcher does), against the
// list view's own type-ahead on the same list; the host's own work on the list with and without
// the library attached; and the host's memory before and after attaching.
//   skimvue_e2e_bench [--sizes 1000,10000,100000] [--tooltip] [--keys]
// --keys also lists every key's times as it goes.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchTarget.h"
#include "Results.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "hook/Exports.h"

namespace {

// A user's pace; every key of a query is typed well within the pause that starts a new search.
constexpr DWORD kTypeDelayMs = 100;
// The library's default, written into the settings file so the pauses below follow it.
constexpr int kInputIntervalMs = 2000;
// Before each query: a pause that makes its first key start a new search (names read afresh).
constexpr DWORD kSearchPauseMs = kInputIntervalMs + 500;
// Wine's list view starts its type-ahead afresh after 450 ms without a key.
constexpr DWORD kTypeAheadPauseMs = 1000;
// Generous: the slowest builds take many seconds for a key at 100,000 names.
constexpr DWORD kKeyTimeoutMs = 120000;
// A target whose keys have taken this long gets no further queries: a slow build still ends
// its run in minutes, with the queries it skipped reported.
constexpr DWORD kTypingBudgetMs = 60000;
constexpr DWORD kReadyTimeoutMs = 180000;
constexpr DWORD kHostOpsTimeoutMs = 600000;

constexpr wchar_t kRuleFrame[] = L"SkimvueBenchFrame";
// The same list in a frame no rule names: the list view alone.
constexpr wchar_t kBareFrame[] = L"SkimvueBenchBareFrame";

struct SizePlan {
    int m_names;
    // Plain texts of 4-6 letters of English names, and romaji of 6-8 letters for the Japanese
    // ones; fewer keys at 100,000 names, where a slow build takes seconds for each.
    std::vector<std::wstring> m_queries[2];
    int m_hostOpRuns;
};

std::vector<SizePlan> AllPlans() {
    return {
        {1000, {{L"report", L"budget", L"notes"}, {L"kensaku", L"shiryou", L"houkoku"}}, 7},
        {10000, {{L"report", L"budget", L"notes"}, {L"kensaku", L"shiryou", L"houkoku"}}, 5},
        {100000, {{L"repo", L"budg"}, {L"kensaku", L"shashin"}}, 3},
    };
}

bool ListKeys = false;

// For the ASCII texts of this program.
std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

void Progress(int names, const std::string& what) {
    std::fprintf(stderr, "%d names: %s\n", names, what.c_str());
    std::fflush(stderr);
}

// The settings file beside this program's copy of the library, which its first HookStart reads.
void WriteSettings(bool toolTip) {
    const std::string rule = "TargetListView[0].";
    const std::vector<std::string> lines{"[General]",
                                         "EnableOnExplorer=0",
                                         "EnableOnListView=1",
                                         "InputInterval=" + std::to_string(kInputIntervalMs),
                                         std::string("ShowToolTip=") + (toolTip ? "1" : "0"),
                                         "NumberOfTargetListView=1",
                                         rule + "ClsName=SysListView32",
                                         rule + "ExeName=skimvue_bench_target.exe",
                                         rule + "RootClsName=" + Narrow(kRuleFrame),
                                         rule + "RootOwnerClsName=*"};
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    const std::wstring library = LibraryPath();
    WriteFileBytes(library.substr(0, library.rfind(L'.')) + L".ini", text);
}

void ListKey(int names, const std::wstring& query, const KeyRecord& record) {
    if (ListKeys) {
        std::fprintf(stderr,
                     "%d names: %s '%c': item %d selected after %.3f ms, handled in %.3f ms\n",
                     names, Narrow(query).c_str(), static_cast<char>(record.m_character),
                     record.m_selectedItem, record.m_selectedMs, record.m_handledMs);
    }
}

void AddKeys(std::vector<TypedKey>& keys, const std::vector<KeyRecord>& records,
             const std::wstring& query, bool processFirst, SizeResults& results) {
    for (size_t i = 0; i < records.size(); ++i) {
        const KeyRecord& record = records[i];
        ListKey(results.m_names, query, record);
        const bool selected = record.m_selectedMs >= 0;
        keys.push_back(TypedKey{selected ? record.m_selectedMs : record.m_handledMs, selected,
                                static_cast<int>(i), processFirst && i == 0});
    }
    if (records.size() < query.size()) {
        results.m_problems.push_back(
            std::to_string(results.m_names) + " names, \"" + Narrow(query) +
            "\": " + std::to_string(query.size() - records.size()) +
            " key(s) lost or not handled within " + std::to_string(kKeyTimeoutMs / 1000) + " s");
    }
}

bool StartTarget(CBenchTarget& target, SizeResults& results) {
    if (target.WaitReady(kReadyTimeoutMs)) {
        return true;
    }
    results.m_problems.push_back(std::to_string(results.m_names) +
                                 " names: the target did not start");
    return false;
}

void RunTypeAhead(const SizePlan& plan, SizeResults& results) {
    Progress(plan.m_names, "the list view alone");
    CBenchTarget target(plan.m_names, kBareFrame);
    if (!StartTarget(target, results)) {
        return;
    }
    results.m_hostWithout = target.TimeHostOps(plan.m_hostOpRuns, kHostOpsTimeoutMs);
    for (const int kind : {kPlainQuery, kRomajiQuery}) {
        for (const std::wstring& query : plan.m_queries[kind]) {
            PumpMessagesFor(kTypeAheadPauseMs);
            AddKeys(results.m_typeAhead[kind], target.Type(query, kTypeDelayMs, kKeyTimeoutMs),
                    query, false, results);
        }
    }
}

// HookStart as the launcher's timer calls it, until the target's list view is attached.
bool Attach(CBenchTarget& target) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        SkimvueDll::HookStart(nullptr);
        if (target.IsAttached()) {
            return true;
        }
        PumpMessagesFor(200);
    }
    return false;
}

// Each query after a pause that starts a new search; the memory around the first romaji one.
void TypeQueries(CBenchTarget& target, const SizePlan& plan, QueryKind kind, SizeResults& results) {
    const bool romaji = kind == kRomajiQuery;
    const DWORD typingStart = GetTickCount();
    for (size_t i = 0; i < plan.m_queries[kind].size(); ++i) {
        const std::wstring& query = plan.m_queries[kind][i];
        if (GetTickCount() - typingStart > kTypingBudgetMs) {
            results.m_problems.push_back(
                std::to_string(plan.m_names) + " names, " + (romaji ? "romaji" : "plain") + ": " +
                std::to_string(plan.m_queries[kind].size() - i) + " of " +
                std::to_string(plan.m_queries[kind].size()) + " queries skipped, the keys took " +
                std::to_string((GetTickCount() - typingStart) / 1000) + " s");
            break;
        }
        PumpMessagesFor(kSearchPauseMs);
        if (romaji && i == 0) {
            results.m_memoryAttached = target.Memory();
        }
        Progress(plan.m_names, "  " + Narrow(query));
        AddKeys(results.m_library[kind], target.Type(query, kTypeDelayMs, kKeyTimeoutMs), query,
                i == 0, results);
        if (romaji && i == 0) {
            results.m_memoryAfterRomaji = target.Memory();
        }
    }
}

void RunLibrary(const SizePlan& plan, QueryKind kind, SizeResults& results) {
    const bool romaji = kind == kRomajiQuery;
    Progress(plan.m_names, romaji ? "the library, romaji" : "the library, plain");
    CBenchTarget target(plan.m_names, kRuleFrame);
    if (!StartTarget(target, results)) {
        return;
    }
    Progress(plan.m_names,
             "filled in " + std::to_string(static_cast<int>(target.FillMs())) + " ms");
    if (romaji) {
        results.m_memoryBefore = target.Memory();
    }
    if (!Attach(target)) {
        results.m_problems.push_back(std::to_string(plan.m_names) +
                                     " names: the library did not attach");
        return;
    }
    TypeQueries(target, plan, kind, results);
    if (romaji) {
        results.m_hostWith = target.TimeHostOps(plan.m_hostOpRuns, kHostOpsTimeoutMs);
    }
    SkimvueDll::HookEnd();
}

std::vector<SizePlan> ChosenPlans(const std::wstring& sizes) {
    std::vector<SizePlan> chosen;
    for (const SizePlan& plan : AllPlans()) {
        const std::wstring names = std::to_wstring(plan.m_names);
        if (sizes.empty() ||
            (L"," + sizes + L",").find(L"," + names + L",") != std::wstring::npos) {
            chosen.push_back(plan);
        }
    }
    return chosen;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring sizes;
    bool toolTip = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--sizes" && i + 1 < argc) {
            sizes = argv[++i];
        } else if (arg == L"--tooltip") {
            toolTip = true;
        } else if (arg == L"--keys") {
            ListKeys = true;
        }
    }
    WriteSettings(toolTip);
    std::vector<SizeResults> results;
    for (const SizePlan& plan : ChosenPlans(sizes)) {
        SizeResults size;
        size.m_names = plan.m_names;
        RunTypeAhead(plan, size);
        RunLibrary(plan, kPlainQuery, size);
        RunLibrary(plan, kRomajiQuery, size);
        results.push_back(std::move(size));
    }
    const RunInfo info{sizeof(void*) == 8 ? "win64" : "win32", WineVersion(),
                       static_cast<int>(kTypeDelayMs),         kInputIntervalMs,
                       static_cast<int>(kSearchPauseMs),       toolTip};
    PrintResults(info, results);
    return 0;
}
