#include "hook/Discovery.h"

#include <windows.h>

#include "hook/HookLifecycle.h"
#include "settings/SharedBlock.h"
#include "support/Barrier.h"
#include "support/Messages.h"
#include "support/WindowIdentity.h"
#include "view/ExplorerCtrl.h"

namespace {

bool IsWildcard(const wchar_t* field) {
    return field[0] == L'*' && field[1] == L'\0';
}

void OfferExplorerView(HWND window) {
    if (ReadClassName(window) != L"DirectUIHWND") {
        return;
    }
    const std::wstring parent = ReadClassName(GetParent(window));
    if (parent == L"SHELLDLL_DefView" || parent == L"DUIViewWndClassName") {
        HookWindow(window, WM_HOOK_ATTACH_EXPLORER);
    }
}

// The enumeration callbacks are called by user32: a failure at one window leaves the others to
// be offered.
BOOL CALLBACK EnumExplorerViewProc(HWND window, LPARAM) noexcept {
    Barrier(L"EnumExplorerViewProc", [window] { OfferExplorerView(window); });
    return TRUE;
}

const TargetListView* RuleAt(LPARAM ruleIndex) {
    const auto index = static_cast<size_t>(ruleIndex);
    return index < TargetListViews.size() ? &TargetListViews[index] : nullptr;
}

void OfferRuleTarget(HWND window, const TargetListView& rule) {
    std::wstring className;
    if (!IsWildcard(rule.ClsName)) {
        className = ReadClassName(window);
        if (className != rule.ClsName) {
            return;
        }
    }
    if (!IsWildcard(rule.ExeName) && ReadExeName(window) != rule.ExeName) {
        return;
    }
    if (!IsWildcard(rule.RootOwnerClsName) &&
        ReadRootOwnerClassName(window) != rule.RootOwnerClsName) {
        return;
    }
    HookWindow(window,
               className == L"DirectUIHWND" ? WM_HOOK_ATTACH_EXPLORER : WM_HOOK_ATTACH_LISTVIEW);
}

BOOL CALLBACK EnumTargetChildProc(HWND window, LPARAM ruleIndex) noexcept {
    Barrier(L"EnumTargetChildProc", [window, ruleIndex] {
        if (const TargetListView* rule = RuleAt(ruleIndex)) {
            OfferRuleTarget(window, *rule);
        }
    });
    return TRUE;
}

BOOL CALLBACK EnumRootWindowProc(HWND topLevel, LPARAM ruleIndex) noexcept {
    Barrier(L"EnumRootWindowProc", [topLevel, ruleIndex] {
        const TargetListView* rule = RuleAt(ruleIndex);
        if (rule != nullptr && ReadClassName(topLevel) == rule->RootClsName) {
            EnumChildWindows(topLevel, EnumTargetChildProc, ruleIndex);
        }
    });
    return TRUE;
}

} // namespace

void RunExplorerPass() {
    std::vector<HWND> windows;
    CExplorerCtrl::GetShellWindowHandles(windows);
    for (HWND window : windows) {
        EnumChildWindows(window, EnumExplorerViewProc, 0);
    }
}

void RunListViewPass() {
    for (size_t i = 0; i < TargetListViews.size(); ++i) {
        const auto ruleIndex = static_cast<LPARAM>(i);
        if (IsWildcard(TargetListViews[i].RootClsName)) {
            EnumChildWindows(GetDesktopWindow(), EnumTargetChildProc, ruleIndex);
        } else {
            EnumWindows(EnumRootWindowProc, ruleIndex);
        }
    }
}
