#include "hook/Discovery.h"

#include <algorithm>
#include <vector>

#include "hook/HookLifecycle.h"
#include "settings/SharedBlock.h"
#include "support/Barrier.h"
#include "support/Messages.h"
#include "support/WindowIdentity.h"

namespace {

constexpr wchar_t kShellViewClass[] = L"SHELLDLL_DefView";
constexpr wchar_t kDialogClass[] = L"#32770";

bool IsWildcard(const wchar_t* field) {
    return field[0] == L'*' && field[1] == L'\0';
}

// An Explorer window: "CabinetWClass" since Windows 7 (its tabs, "ShellTabWindowClass", each
// hold a shell view of their own), "ExploreWClass" for the one with a folder tree before that.
bool IsExplorerFrameClass(const std::wstring& className) {
    return className == L"CabinetWClass" || className == L"ExploreWClass";
}

// Whether the shell views of this top-level window are searched: an Explorer window while
// EnableOnExplorer is on, a dialog while EnableOnFileDialog is on. Which dialogs hold a view is
// left to the walk, so a confirmation or task dialog (a "DirectUIHWND" of its own, no view) is
// never taken.
bool IsSearchedHostClass(const std::wstring& className) {
    return (IsExplorerFrameClass(className) && IsOn(EnableOnExplorer)) ||
           (className == kDialogClass && IsOn(Shared.EnableOnFileDialog));
}

BOOL CALLBACK CollectItemWindowProc(HWND window, LPARAM found) noexcept {
    Barrier(L"CollectItemWindowProc", [window, found] {
        if (IsShellItemWindow(window)) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
    });
    return TRUE;
}

// Every shell view's item window at any depth: one per tab of an Explorer window, one in a
// file dialog.
std::vector<HWND> FindItemWindows(HWND topLevel) {
    std::vector<HWND> found;
    EnumChildWindows(topLevel, CollectItemWindowProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The program's file name is read only for a dialog that holds a view: opening a process is
// the dearest step, and most dialogs hold none.
void OfferShellViewsOf(HWND topLevel) {
    const std::wstring className = ReadClassName(topLevel);
    if (!IsSearchedHostClass(className)) {
        return;
    }
    const std::vector<HWND> items = FindItemWindows(topLevel);
    if (items.empty() || (className == kDialogClass &&
                          IsOnExeList(ReadFileDialogExcludeExeNames(), ReadExeName(topLevel)))) {
        return;
    }
    for (HWND item : items) {
        HookWindow(item, WM_HOOK_ATTACH_EXPLORER);
    }
}

// The enumeration callbacks are called by user32: a failure at one window leaves the others to
// be offered.
BOOL CALLBACK EnumHostWindowProc(HWND topLevel, LPARAM) noexcept {
    Barrier(L"EnumHostWindowProc", [topLevel] { OfferShellViewsOf(topLevel); });
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
    // A shell view's item window is read and selected through its view, whatever the rule says.
    const bool shell = className == L"DirectUIHWND" || IsShellItemWindow(window);
    HookWindow(window, shell ? WM_HOOK_ATTACH_EXPLORER : WM_HOOK_ATTACH_LISTVIEW);
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

std::wstring TrimBlanks(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) {
        return std::wstring();
    }
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

} // namespace

bool IsShellItemWindow(HWND window) {
    const std::wstring className = ReadClassName(window);
    return (className == L"DirectUIHWND" || className == L"SysListView32") &&
           ReadClassName(GetParent(window)) == kShellViewClass;
}

bool IsOnExeList(const std::wstring& list, const std::wstring& exeName) {
    if (exeName.empty()) {
        return false;
    }
    for (size_t start = 0; start <= list.size();) {
        const size_t end = std::min(list.find(L';', start), list.size());
        const std::wstring name = TrimBlanks(list.substr(start, end - start));
        if (!name.empty() &&
            CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), exeName.c_str(),
                                 static_cast<int>(exeName.size()), TRUE) == CSTR_EQUAL) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool MayHoldShellView(HWND window) {
    const std::wstring className = ReadClassName(window);
    if (className == kShellViewClass || className == L"DirectUIHWND" ||
        className == L"SysListView32") {
        return true;
    }
    return GetAncestor(window, GA_ROOT) == window && IsSearchedHostClass(className);
}

void OfferShellViewsAround(HWND window) {
    if (HWND topLevel = GetAncestor(window, GA_ROOT)) {
        OfferShellViewsOf(topLevel);
    }
}

void RunShellViewPass() {
    EnumWindows(EnumHostWindowProc, 0);
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
