// A long day, measured: the real launcher and the real library with a target program of our own
// under Wine, through 1,000 list-view windows created and destroyed, 10,000 real keys typed into
// them and three launcher restarts. The launcher finds the windows itself, through the rule of
// its settings file and its 200 ms polling, as it does for users. Both processes are measured
// once warmed up (first attach, first plain and romaji search) and again at the end; the table
// shows the difference, which should be flat.
//   skimvue_soak_bench [--windows N] [--keys N] [--restarts N] [--names N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "SoakProtocol.h"
#include "SoakTable.h"
#include "harness/Process.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"

namespace {

#if SKIMVUE_BITS == 64
constexpr wchar_t kLauncher[] = L"Skimvue64.exe";
#else
constexpr wchar_t kLauncher[] = L"Skimvue.exe";
#endif
constexpr wchar_t kLauncherClass[] = L"SKIMVUE";
constexpr wchar_t kTargetExe[] = L"skimvue_soak_target.exe";
constexpr wchar_t kFrameClass[] = L"SkimvueSoakFrame";

// Windows open at once: each is attached, typed into and closed with the others of its batch.
constexpr int kBatch = 10;
// Shorter than the default so that the pauses starting new searches keep the run short; every
// key of a query comes well within it.
constexpr int kInputIntervalMs = 500;
constexpr DWORD kSearchPauseMs = kInputIntervalMs + 300;
constexpr DWORD kTypeDelayMs = 20;
// The launcher polls every 200 ms; a loaded machine takes longer for a batch's handshakes.
constexpr DWORD kAttachTimeoutMs = 15000;
constexpr DWORD kKeysTimeoutMs = 5000;
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kRequestTimeoutMs = 10000;
// Before each measurement: the processes finish what the last requests started.
constexpr DWORD kSettleMs = 2000;

const wchar_t* const kQueries[] = {L"report",   L"kensaku", L"budget",   L"houkoku", L"notes",
                                   L"shiryou",  L"invoice", L"nihon",    L"meeting", L"kaigi",
                                   L"summary",  L"shashin", L"schedule", L"yotei",   L"archive",
                                   L"gijiroku", L"design",  L"katarogu", L"backup",  L"mitsumori"};

struct Plan {
    int m_windows = 1000;
    int m_keys = 10000;
    int m_restarts = 3;
    int m_names = 200;
};

Plan ParsePlan(int argc, wchar_t** argv) {
    Plan plan;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const int value = _wtoi(argv[i + 1]);
        if (name == L"--windows") {
            plan.m_windows = value;
        } else if (name == L"--keys") {
            plan.m_keys = value;
        } else if (name == L"--restarts") {
            plan.m_restarts = value;
        } else if (name == L"--names") {
            plan.m_names = value;
        }
    }
    return plan;
}

const DWORD StartTick = GetTickCount();

void Progress(const std::string& what) {
    std::fprintf(stderr, "soak, %4lu s: %s\n", (GetTickCount() - StartTick) / 1000, what.c_str());
    std::fflush(stderr);
}

// The settings file beside this folder's copy of the library, which the launcher reads: one rule
// naming the target's frames.
void WriteSettings() {
    const std::string rule = "TargetListView[0].";
    const std::string text =
        "[General]\r\nEnableOnExplorer=0\r\nEnableOnListView=1\r\n"
        "InputInterval=" +
        std::to_string(kInputIntervalMs) + "\r\nNumberOfTargetListView=1\r\n" + rule +
        "ClsName=SysListView32\r\n" + rule + "ExeName=" + ToUtf8(kTargetExe) + "\r\n" + rule +
        "RootClsName=" + ToUtf8(kFrameClass) + "\r\n" + rule + "RootOwnerClsName=*\r\n";
    const std::wstring library = LibraryPath();
    WriteFileBytes(library.substr(0, library.rfind(L'.')) + L".ini", text);
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, message, wParam, 0, SMTO_NORMAL, kRequestTimeoutMs,
                               &answer) != 0
               ? static_cast<LRESULT>(answer)
               : -1;
}

bool IsAttached(HWND frame) {
    return Ask(frame, WM_SOAK_IS_ATTACHED) == 1;
}

class CSoak {
  public:
    explicit CSoak(const Plan& plan) : m_plan(plan) {}
    SoakRun Run();

  private:
    bool Start();
    void RunBatch(int batch, int batches);
    bool WaitAttached(HWND frame) const;
    void TypeBatch(const std::vector<HWND>& windows, int keys);
    void TypeQuery(HWND frame, const std::wstring& query);
    void Restart(const std::vector<HWND>& windows);
    bool StartLauncher();
    void Finish();
    void Measure(std::optional<ProcessFigures> StartEnd::*which);
    LRESULT Count(SoakCount which) const { return Ask(m_control, WM_SOAK_COUNT, which); }
    bool TargetAlive();
    void Problem(const std::string& what);
    void ReportProgress() const;

    Plan m_plan;
    SoakRun m_run;
    CProcess m_target;
    CProcess m_launcher;
    HWND m_control = nullptr;
    // Open from the start to the end: typed into in every batch, adopted at every restart.
    HWND m_survivor = nullptr;
    std::vector<std::pair<HWND, DWORD>> m_lastTyped;
    size_t m_nextQuery = 0;
    LRESULT m_keysBefore = 0;
    LRESULT m_selectingBefore = 0;
    int m_keysLeft = 0;
    bool m_targetLost = false;
};

void CSoak::Problem(const std::string& what) {
    Progress("problem: " + what);
    m_run.m_problems.push_back(what);
}

// The way there, for telling a steady growth from a step: both processes measured as they go.
std::string Brief(const char* name, const std::optional<ProcessFigures>& figures) {
    if (!figures) {
        return std::string(name) + " -";
    }
    char text[160];
    std::snprintf(text, sizeof(text), "%s %lu handles, %lu GDI, %lu USER, %.1f MB private", name,
                  figures->m_handles, figures->m_gdiObjects, figures->m_userObjects,
                  figures->m_privateMb);
    return text;
}

void CSoak::ReportProgress() const {
    Progress(std::to_string(m_run.m_counts.m_windowsCreated) + " windows, " +
             std::to_string(m_run.m_counts.m_keysTyped) + " keys; " +
             Brief("target", MeasureProcess(m_target.Id())) + "; " +
             Brief("launcher", MeasureProcess(m_launcher.Id())));
}

bool CSoak::TargetAlive() {
    if (!m_targetLost && !m_target.IsRunning()) {
        m_targetLost = true;
        ++m_run.m_counts.m_crashes;
        Problem("the target ended");
    }
    return !m_targetLost;
}

bool CSoak::StartLauncher() {
    m_launcher = CProcess(L"\"" + BinDir() + L"\\" + kLauncher + L"\"");
    return PumpUntil([] { return FindWindowW(kLauncherClass, nullptr) != nullptr; },
                     kStartTimeoutMs);
}

bool CSoak::WaitAttached(HWND frame) const {
    return PumpUntil([&] { return IsAttached(frame); }, kAttachTimeoutMs);
}

// A new search starts at the first key of each query: the window's last key is at least a
// pause ago (usually the other windows' queries filled it already).
void CSoak::TypeQuery(HWND frame, const std::wstring& query) {
    auto last = std::find_if(m_lastTyped.begin(), m_lastTyped.end(),
                             [&](const auto& entry) { return entry.first == frame; });
    if (last == m_lastTyped.end()) {
        last = m_lastTyped.insert(m_lastTyped.end(), {frame, GetTickCount() - kSearchPauseMs});
    }
    const DWORD since = GetTickCount() - last->second;
    if (since < kSearchPauseMs) {
        PumpMessagesFor(kSearchPauseMs - since);
    }
    const LRESULT expected = Count(kSoakKeys) + static_cast<LRESULT>(query.size());
    if (!TypeIntoWindow(frame, query, kTypeDelayMs)) {
        Problem("xdotool failed to type " + ToUtf8(query));
    }
    m_run.m_counts.m_keysTyped += static_cast<int>(query.size());
    LRESULT seen = Count(kSoakKeys);
    DWORD progress = GetTickCount();
    while (seen < expected && seen >= 0 && GetTickCount() - progress < kKeysTimeoutMs) {
        PumpMessagesFor(10);
        if (const LRESULT now = Count(kSoakKeys); now != seen) {
            seen = now;
            progress = GetTickCount();
        }
    }
    last->second = GetTickCount();
}

// The batch's share of the keys, query after query, each into the next window in turn.
void CSoak::TypeBatch(const std::vector<HWND>& windows, int keys) {
    for (size_t i = 0; keys > 0 && !windows.empty(); ++i) {
        std::wstring query = kQueries[m_nextQuery++ % std::size(kQueries)];
        query.resize(std::min<size_t>(query.size(), static_cast<size_t>(keys)));
        TypeQuery(windows[i % windows.size()], query);
        keys -= static_cast<int>(query.size());
    }
}

// Kills the launcher as a crash would and starts the next, which must adopt every open window:
// its handshake reaches each list view and the list view stays attached.
void CSoak::Restart(const std::vector<HWND>& windows) {
    if (!m_launcher.IsRunning()) {
        ++m_run.m_counts.m_crashes;
        Problem("a launcher ended on its own");
    }
    std::vector<LRESULT> offers;
    for (HWND frame : windows) {
        offers.push_back(Ask(frame, WM_SOAK_OFFERS));
    }
    m_launcher.Kill();
    ++m_run.m_counts.m_restarts;
    m_run.m_counts.m_windowsAtRestarts += static_cast<int>(windows.size());
    if (!StartLauncher()) {
        Problem("a restarted launcher did not start");
        return;
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        const bool adopted = PumpUntil(
            [&] { return Ask(windows[i], WM_SOAK_OFFERS) > offers[i] && IsAttached(windows[i]); },
            kAttachTimeoutMs);
        m_run.m_counts.m_windowsAdopted += adopted ? 1 : 0;
    }
    Progress("restart " + std::to_string(m_run.m_counts.m_restarts) + " done");
}

void CSoak::RunBatch(int batch, int batches) {
    const int windows = std::min(kBatch, m_plan.m_windows - batch * kBatch);
    std::vector<HWND> opened;
    std::vector<HWND> attached{m_survivor};
    for (int i = 0; i < windows; ++i) {
        if (const auto frame = reinterpret_cast<HWND>(Ask(m_control, WM_SOAK_OPEN));
            frame != nullptr && frame != reinterpret_cast<HWND>(-1)) {
            opened.push_back(frame);
        }
    }
    m_run.m_counts.m_windowsCreated += static_cast<int>(opened.size());
    for (HWND frame : opened) {
        if (WaitAttached(frame)) {
            attached.push_back(frame);
        }
    }
    m_run.m_counts.m_windowsAttached += static_cast<int>(attached.size()) - 1;
    const int keys = m_keysLeft / (batches - batch);
    TypeBatch(attached, keys);
    m_keysLeft -= keys;
    // The restarts fall evenly between the first batch and the last, windows open.
    const int restartsDue = (batch + 1) * (m_plan.m_restarts + 1) / batches;
    if (restartsDue > m_run.m_counts.m_restarts && m_run.m_counts.m_restarts < m_plan.m_restarts) {
        Restart(attached);
    }
    for (HWND frame : opened) {
        Ask(frame, WM_CLOSE);
    }
    std::erase_if(m_lastTyped, [&](const auto& entry) { return entry.first != m_survivor; });
}

void CSoak::Measure(std::optional<ProcessFigures> StartEnd::*which) {
    PumpMessagesFor(kSettleMs);
    m_run.m_target.*which = MeasureProcess(m_target.Id());
    m_run.m_launcher.*which = MeasureProcess(m_launcher.Id());
}

// The target and the first launcher, warmed up: the survivor attached and searched in plain
// text and in romaji (which loads the dictionary).
bool CSoak::Start() {
    const std::wstring title = L"Skimvue soak target " + std::to_wstring(GetCurrentProcessId());
    m_target =
        CProcess(L"\"" + BinDir() + L"\\" + kTargetExe + L"\" --title \"" + title + L"\" --class " +
                 kFrameClass + L" --names " + std::to_wstring(m_plan.m_names));
    if (!PumpUntil([&] { return (m_control = FindWindowW(nullptr, title.c_str())) != nullptr; },
                   kStartTimeoutMs) ||
        !StartLauncher()) {
        Problem("the target or the launcher did not start");
        return false;
    }
    m_survivor = reinterpret_cast<HWND>(Ask(m_control, WM_SOAK_OPEN));
    if (!WaitAttached(m_survivor)) {
        Problem("the first window was not attached");
        return false;
    }
    TypeQuery(m_survivor, L"report");
    TypeQuery(m_survivor, L"kensaku");
    m_keysBefore = Count(kSoakKeys);
    m_selectingBefore = Count(kSoakSelectingKeys);
    m_run.m_counts.m_keysTyped = 0;
    Measure(&StartEnd::m_start);
    return true;
}

// Measures, ends the launcher as its exit command does (its exit detaches the windows) and
// ends the target normally once it has shown it survived.
void CSoak::Finish() {
    m_run.m_counts.m_keysReceived = static_cast<int>(Count(kSoakKeys) - m_keysBefore);
    m_run.m_counts.m_keysSelecting =
        static_cast<int>(Count(kSoakSelectingKeys) - m_selectingBefore);
    Measure(&StartEnd::m_end);
    if (!m_launcher.IsRunning()) {
        ++m_run.m_counts.m_crashes;
        Problem("the last launcher ended on its own");
    }
    m_run.m_counts.m_windowsAtExit = static_cast<int>(Count(kSoakOpenWindows));
    PostMessageW(FindWindowW(kLauncherClass, nullptr), WM_CLOSE, 0, 0);
    if (m_launcher.WaitExit(kStartTimeoutMs) != 0) {
        Problem("the launcher did not exit normally");
    }
    m_run.m_counts.m_windowsDetached =
        PumpUntil([&] { return !IsAttached(m_survivor); }, kAttachTimeoutMs) ? 1 : 0;
    m_run.m_counts.m_targetSurvived = TargetAlive() && Count(kSoakOpenWindows) >= 0;
    PostMessageW(m_control, WM_CLOSE, 0, 0);
    if (m_target.WaitExit(kStartTimeoutMs) != 0) {
        Problem("the target did not end normally");
    }
}

SoakRun CSoak::Run() {
    const DWORD start = GetTickCount();
    m_run.m_build = sizeof(void*) == 8 ? "win64" : "win32";
    m_run.m_wine = WineVersion();
    m_run.m_names = m_plan.m_names;
    m_keysLeft = m_plan.m_keys;
    if (Start()) {
        const int batches = (m_plan.m_windows + kBatch - 1) / kBatch;
        for (int batch = 0; batch < batches && TargetAlive(); ++batch) {
            RunBatch(batch, batches);
            if ((batch + 1) % 10 == 0) {
                ReportProgress();
            }
        }
        if (TargetAlive()) {
            Finish();
        }
    }
    m_run.m_seconds = static_cast<int>((GetTickCount() - start) / 1000);
    return m_run;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    WriteSettings();
    CSoak soak(ParsePlan(argc, argv));
    const SoakRun run = soak.Run();
    std::fputs(FormatSoakTable(run).c_str(), stdout);
    return run.m_problems.empty() ? 0 : 1;
}
