// The launcher's cost of looking for targets: the time of one hooking pass with 50 top-level
// windows and 5 list-view rules (one of them with root class "*"), and the CPU the real
// launcher uses in 10 idle seconds with those windows and rules.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "hook/HookLifecycle.h"
#include "settings/SharedBlock.h"

namespace {

constexpr int kWindows = 50;

std::vector<HWND> CreateWindows() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkimvueBenchWindow";
    RegisterClassW(&wc);
    std::vector<HWND> windows;
    for (int i = 0; i < kWindows; ++i) {
        HWND top = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                   100, nullptr, nullptr, wc.hInstance, nullptr);
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, top, nullptr, wc.hInstance,
                        nullptr);
        windows.push_back(top);
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

} // namespace

int main() {
    const std::vector<HWND> windows = CreateWindows();
    TimePass();
    for (HWND window : windows) {
        DestroyWindow(window);
    }
    return 0;
}
