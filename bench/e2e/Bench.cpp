// A keystroke as the user feels it: the time from a typed character leaving the host's queue to
// the selection it causes, in a real list view of 1,000, 10,000 and 100,000 file names in
// another process, with the real library hooked into it through the real hook and handshake
// (this program calls the library's HookStart and HookEnd as the launcher does), against the
// list view's own type-ahead on the same list; the host's own work on the list with and without
// the library attached; and the host's memory before and after attaching. The same keys in real
// shell views over real folders of as many files: Wine's file browser and a file dialog.
//   skimvue_e2e_bench [--sizes 1000,10000,100000] [--views list,browser,dialog] [--tooltip]
//                     [--dialog-rule] [--keys]
// --views picks the rows (all by default); --dialog-rule attaches the dialog through a list-view
// rule instead of the library's file-dialog setting; --keys also lists every key's times.
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "BenchTarget.h"
#include "Results.h"
#include "ShellFolder.h"
#include "ShellTarget.h"
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
// Wine's views list a folder in one go before they show it: 100,000 files took 5 s on the
// machine this was written on, a slow or busy one is given minutes.
constexpr DWORD kListTimeoutMs = 600000;

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
// Rules for the target's list view and for the shell views' item windows: Wine's file
// browser's (under its frame ExplorerWClass) and, unless the file-dialog setting is to attach
// it, the dialog target's (under its #32770).
void WriteSettings(bool toolTip, bool fileDialogs) {
    const std::vector<std::string> lines{"[General]",
                                         "EnableOnExplorer=0",
                                         "EnableOnListView=1",
                                         "InputInterval=" + std::to_string(kInputIntervalMs),
                                         std::string("ShowToolTip=") + (toolTip ? "1" : "0"),
                                         std::string("EnableOnFileDialog=") +
                                             (fileDialogs ? "1" : "0")};
    std::vector<std::pair<std::string, std::string>> rules{
        {"skimvue_bench_target.exe", Narrow(kRuleFrame)}, {"explorer.exe", "ExplorerWClass"}};
    if (!fileDialogs) {
        rules.emplace_back("skimvue_bench_dialog.exe", "#32770");
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    text += "NumberOfTargetListView=" + std::to_string(rules.size()) + "\r\n";
    for (size_t i = 0; i < rules.size(); ++i) {
        const std::string rule = "TargetListView[" + std::to_string(i) + "].";
        text += rule + "ClsName=SysListView32\r\n" + rule + "ExeName=" + rules[i].first + "\r\n" +
                rule + "RootClsName=" + rules[i].second + "\r\n" + rule + "RootOwnerClsName=*\r\n";
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
             const std::wstring& query, bool processFirst, int names,
             std::vector<std::string>& problems) {
    for (size_t i = 0; i < records.size(); ++i) {
        const KeyRecord& record = records[i];
        ListKey(names, query, record);
        const bool selected = record.m_selectedMs >= 0;
        keys.push_back(TypedKey{selected ? record.m_selectedMs : record.m_handledMs, selected,
                                static_cast<int>(i), processFirst && i == 0});
    }
    if (records.size() < query.size()) {
        problems.push_back(std::to_string(names) + " names, \"" + Narrow(query) +
                           "\": " + std::to_string(query.size() - records.size()) +
                           " key(s) lost or not handled within " +
                           std::to_string(kKeyTimeoutMs / 1000) + " s");
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
                    query, false, results.m_names, results.m_problems);
        }
    }
}

// HookStart as the launcher's timer calls it, until the target's view is attached.
template <class Target> bool Attach(Target& target) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        SkimvueDll::HookStart(nullptr);
        if (target.IsAttached()) {
            return true;
        }
        PumpMessagesFor(200);
    }
    return false;
}

// True once the keys of a kind of query took the typing budget, with the queries skipped
// (those from next on) reported.
bool OverBudget(const SizePlan& plan, QueryKind kind, size_t next, DWORD typingStart,
                std::vector<std::string>& problems) {
    if (GetTickCount() - typingStart <= kTypingBudgetMs) {
        return false;
    }
    const size_t total = plan.m_queries[kind].size();
    problems.push_back(std::to_string(plan.m_names) + " names, " +
                       (kind == kRomajiQuery ? "romaji" : "plain") + ": " +
                       std::to_string(total - next) + " of " + std::to_string(total) +
                       " queries skipped, the keys took " +
                       std::to_string((GetTickCount() - typingStart) / 1000) + " s");
    return true;
}

// Each query after a pause that starts a new search; the memory around the first romaji one.
void TypeQueries(CBenchTarget& target, const SizePlan& plan, QueryKind kind, SizeResults& results) {
    const bool romaji = kind == kRomajiQuery;
    const DWORD typingStart = GetTickCount();
    for (size_t i = 0; i < plan.m_queries[kind].size(); ++i) {
        const std::wstring& query = plan.m_queries[kind][i];
        if (OverBudget(plan, kind, i, typingStart, results.m_problems)) {
            break;
        }
        PumpMessagesFor(kSearchPauseMs);
        if (romaji && i == 0) {
            results.m_memoryAttached = target.Memory();
        }
        Progress(plan.m_names, "  " + Narrow(query));
        AddKeys(results.m_library[kind], target.Type(query, kTypeDelayMs, kKeyTimeoutMs), query,
                i == 0, results.m_names, results.m_problems);
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

// Plain queries, then romaji ones, each after a pause that starts a new search; the very first
// key is the process's first (the library has not searched in the view's process before).
void TypeShellQueries(CShellTarget& target, const SizePlan& plan, ShellResults& results) {
    for (const QueryKind kind : {kPlainQuery, kRomajiQuery}) {
        const DWORD typingStart = GetTickCount();
        for (size_t i = 0; i < plan.m_queries[kind].size(); ++i) {
            if (OverBudget(plan, kind, i, typingStart, results.m_problems)) {
                break;
            }
            const std::wstring& query = plan.m_queries[kind][i];
            PumpMessagesFor(kSearchPauseMs);
            Progress(plan.m_names, "  " + Narrow(query));
            AddKeys(results.m_library[kind], target.Type(query, kTypeDelayMs, kKeyTimeoutMs), query,
                    kind == kPlainQuery && i == 0, plan.m_names, results.m_problems);
        }
    }
}

// The view's own type-ahead with the first query of each kind, before the library attaches.
void TypeShellTypeAhead(CShellTarget& target, const SizePlan& plan, ShellResults& results) {
    for (const QueryKind kind : {kPlainQuery, kRomajiQuery}) {
        const std::wstring& query = plan.m_queries[kind].front();
        PumpMessagesFor(kTypeAheadPauseMs);
        AddKeys(results.m_typeAhead[kind], target.Type(query, kTypeDelayMs, kKeyTimeoutMs), query,
                false, plan.m_names, results.m_problems);
    }
}

ShellResults RunShellView(const SizePlan& plan, ShellView view, HMODULE probe) {
    ShellResults results;
    results.m_names = plan.m_names;
    results.m_view = view == ShellView::kBrowser ? "browser" : "dialog";
    Progress(plan.m_names, std::string("shell view: ") + results.m_view);
    const std::wstring folder = ShellFolder(plan.m_names);
    if (folder.empty()) {
        results.m_problems.push_back("the folder could not be made");
        return results;
    }
    CShellTarget target(view, folder, probe);
    const std::string failure = target.WaitReady(plan.m_names, kListTimeoutMs);
    if (!failure.empty()) {
        results.m_problems.push_back(failure);
        return results;
    }
    results.m_listedMs = target.ListedMs();
    Progress(plan.m_names,
             "listed in " + std::to_string(static_cast<int>(results.m_listedMs)) + " ms");
    TypeShellTypeAhead(target, plan, results);
    results.m_readAllMs = target.ReadAllMs();
    if (!Attach(target)) {
        results.m_problems.push_back("the library did not attach");
        return results;
    }
    TypeShellQueries(target, plan, results);
    SkimvueDll::HookEnd();
    return results;
}

bool Chosen(const std::wstring& list, const std::wstring& item) {
    return list.empty() || (L"," + list + L",").find(L"," + item + L",") != std::wstring::npos;
}

std::vector<SizePlan> ChosenPlans(const std::wstring& sizes) {
    std::vector<SizePlan> chosen;
    for (const SizePlan& plan : AllPlans()) {
        if (Chosen(sizes, std::to_wstring(plan.m_names))) {
            chosen.push_back(plan);
        }
    }
    return chosen;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring sizes;
    std::wstring views;
    bool toolTip = false;
    bool fileDialogs = true;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--sizes" && i + 1 < argc) {
            sizes = argv[++i];
        } else if (arg == L"--views" && i + 1 < argc) {
            views = argv[++i];
        } else if (arg == L"--tooltip") {
            toolTip = true;
        } else if (arg == L"--dialog-rule") {
            fileDialogs = false;
        } else if (arg == L"--keys") {
            ListKeys = true;
        }
    }
    WriteSettings(toolTip, fileDialogs);
    std::vector<SizeResults> results;
    std::vector<ShellResults> shells;
    const unique_hmodule probe(LoadLibraryW((BinDir() + L"\\skimvue_bench_probe.dll").c_str()));
    for (const SizePlan& plan : ChosenPlans(sizes)) {
        if (Chosen(views, L"list")) {
            SizeResults size;
            size.m_names = plan.m_names;
            RunTypeAhead(plan, size);
            RunLibrary(plan, kPlainQuery, size);
            RunLibrary(plan, kRomajiQuery, size);
            results.push_back(std::move(size));
        }
        for (const auto& [name, view] :
             {std::pair{L"browser", ShellView::kBrowser}, {L"dialog", ShellView::kDialog}}) {
            if (Chosen(views, name)) {
                shells.push_back(RunShellView(plan, view, probe.get()));
            }
        }
    }
    const RunInfo info{sizeof(void*) == 8 ? "win64" : "win32",
                       WineVersion(),
                       static_cast<int>(kTypeDelayMs),
                       kInputIntervalMs,
                       static_cast<int>(kSearchPauseMs),
                       toolTip,
                       fileDialogs};
    if (!results.empty()) {
        PrintResults(info, results);
    }
    if (!shells.empty()) {
        PrintShellResults(info, shells);
    }
    return 0;
}
