#pragma once
// Finding the windows to search: the item views of open Explorer windows, and the windows the
// user's list-view rules name. Each match is handed to HookWindow.

// Hooks the item view ("DirectUIHWND" under "SHELLDLL_DefView" or "DUIViewWndClassName") of
// every open Explorer window.
void RunExplorerPass();

// Hooks every window that a rule of TargetListViews names, rule by rule. A rule field matches
// when it is "*" or equals the window's value exactly (case-sensitive).
void RunListViewPass();
