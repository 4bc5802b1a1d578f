// The launcher's cost of looking for targets: the time of one hooking pass with 50 top-level
// windows and 5 list-view rules (one of them with root class "*"), and the CPU the real
// launcher uses in 10 idle seconds while a rule names 50 windows that refuse the hook (their
// thread has stopped answering, as a hung program's does; an elevated program's windows refuse
// the handshake as quickly).
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "hook/HookLifecycle.h"
#include "settings/SharedBlock.h"
#include "support/PathParts.h"
#include "support/UniqueHandle.h"

namespace {

constexpr int kWindows = 50;

std::vector<unique_hwnd> CreateWindows() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkimvueBenchWindow";
    RegisterClassW(&wc);
    std::vector<unique_hwnd> windows;
    for (int i = 0; i < kWindows; ++i) {
        unique_hwnd top(CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                        100, 100, nullptr, nullptr, wc.hInstance, nullptr));
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, top.get(), nullptr, wc.hInstance,
                        nullptr);
        windows.push_back(std::move(top));
    }
    return windows;
}

TargetListView Rule(const wchar_t* cls, const wchar_t* root) {
    TargetListView rule{};
    wcscpy(rule.ClsName, cls);
    wcscpy(rule.ExeName, L"*");
    wcscpy(rule.RootClsName, root);
    wcscpy(rule.RootOwnerClsName, L"*");
    return rule;
}

void UseRules() {
    EnableOnExplorer = 0;
    EnableOnListView = 1;
    TargetListViews = {Rule(L"NoSuchList1", L"NoSuchRoot1"), Rule(L"NoSuchList2", L"NoSuchRoot2"),
                       Rule(L"NoSuchList3", L"SkimvueBenchWindow"),
                       Rule(L"NoSuchList4", L"NoSuchRoot4"), Rule(L"NoSuchList5", L"*")};
    NumberOfTargetListView = static_cast<int32_t>(TargetListViews.size());
}

void TimePass() {
    // The first call loads this program's settings file, which is missing: every rule then
    // reads as "*" in all four fields. It runs before the rules are set.
    EnableOnListView = 0;
    StartHooking(nullptr);
    UseRules();
    std::vector<double> times;
    for (int run = 0; run < 51; ++run) {
        const auto start = std::chrono::steady_clock::now();
        StartHooking(nullptr);
        UseRules();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    std::printf("one hooking pass, %d top-level windows, 5 rules: median %.3f ms\n", kWindows,
                times[times.size() / 2]);
    EndHooking();
}

#ifdef _WIN64
constexpr wchar_t kLauncher[] = L"Skimvue64";
#else
constexpr wchar_t kLauncher[] = L"Skimvue";
#endif
constexpr wchar_t kRefusingClass[] = L"SkimvueBenchRefusing";

std::wstring BesideThisProgram(const std::wstring& name) {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return DirectoryOf(path) + L"\\" + name;
}

// 50 windows on a thread that then stops taking messages; after five seconds the system counts
// it as hung and every attach handshake with it fails at once.
class CRefusingWindows {
  public:
    CRefusingWindows() : m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        unique_handle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_thread = std::thread([this, event = ready.get()] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kRefusingClass;
            RegisterClassW(&wc);
            std::vector<unique_hwnd> windows;
            for (int i = 0; i < kWindows; ++i) {
                windows.emplace_back(CreateWindowExW(0, kRefusingClass, L"refusing", WS_POPUP, 0, 0,
                                                     10, 10, nullptr, nullptr, wc.hInstance,
                                                     nullptr));
            }
            SetEvent(event);
            WaitForSingleObject(m_release.get(), INFINITE);
        });
        WaitForSingleObject(ready.get(), INFINITE);
    }
    ~CRefusingWindows() {
        SetEvent(m_release.get());
        m_thread.join();
    }
    CRefusingWindows(const CRefusingWindows&) = delete;
    CRefusingWindows& operator=(const CRefusingWindows&) = delete;

  private:
    unique_handle m_release;
    std::thread m_thread;
};

double Ms(FILETIME time) {
    return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime) /
           10000.0;
}

// CPU time of every thread of the process. Wine reports no times for another process as a
// whole, but does for each of its threads.
double CpuMs(DWORD processId) {
    const unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    double total = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) {
            continue;
        }
        const unique_handle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME created, exited, kernel, user;
        if (thread && GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) {
            total += Ms(kernel) + Ms(user);
        }
    }
    return total;
}

void WriteRefusingRule(const std::wstring& settings) {
    const wchar_t* const keys[][2] = {{L"EnableOnExplorer", L"0"},
                                      {L"EnableOnListView", L"1"},
                                      {L"NumberOfTargetListView", L"1"},
                                      {L"TargetListView[0].ClsName", kRefusingClass},
                                      {L"TargetListView[0].ExeName", L"*"},
                                      {L"TargetListView[0].RootClsName", L"*"},
                                      {L"TargetListView[0].RootOwnerClsName", L"*"}};
    for (const auto& key : keys) {
        WritePrivateProfileStringW(L"General", key[0], key[1], settings.c_str());
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, settings.c_str());
}

// The real launcher beside this program, with settings of its own for the run; the settings
// file that was there is put back afterwards.
void IdleLauncherCpu() {
    const std::wstring settings = BesideThisProgram(std::wstring(kLauncher) + L".ini");
    const std::wstring saved = settings + L".bench-saved";
    const bool hadSettings =
        MoveFileExW(settings.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING);
    WriteRefusingRule(settings);
    {
        CRefusingWindows refusing;
        Sleep(6000);
        std::wstring commandLine =
            L"\"" + BesideThisProgram(std::wstring(kLauncher) + L".exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info)) {
            std::printf("the launcher did not start\n");
            return;
        }
        const unique_handle process(info.hProcess);
        const unique_handle thread(info.hThread);
        Sleep(2000);
        const double before = CpuMs(info.dwProcessId);
        Sleep(10000);
        const double used = CpuMs(info.dwProcessId) - before;
        std::printf("idle launcher, %d windows refusing the hook: %.0f ms CPU in 10 s (%.1f %%)\n",
                    kWindows, used, used / 100.0);
        PostMessageW(FindWindowW(L"SKIMVUE", nullptr), WM_COMMAND, 105, 0);
        if (WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) {
            TerminateProcess(process.get(), 0);
        }
    }
    DeleteFileW(settings.c_str());
    if (hadSettings) {
        MoveFileExW(saved.c_str(), settings.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

} // namespace

int main() {
    const std::vector<unique_hwnd> windows = CreateWindows();
    TimePass();
    IdleLauncherCpu();
    return 0;
}
