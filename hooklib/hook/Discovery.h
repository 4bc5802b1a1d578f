#pragma once
// Finding the windows to search: the item windows of shell views (in Explorer windows and, when
// the setting asks, in every program's file dialogs), and the windows the user's list-view rules
// name. Each match is handed to HookWindow. Only the window structure is read (classes, parents,
// the owning process's file name): nothing here sends a message or calls into another process,
// so a hung Explorer window cannot stall it.
#include <windows.h>

#include <string>

// Hooks the item window of every shell view in the top-level windows that host searched views:
// Explorer windows while EnableOnExplorer is on, dialogs while EnableOnFileDialog is on (those of
// the programs FileDialogExcludeExeNames names excepted).
void RunShellViewPass();

// Hooks every window that a rule of TargetListViews names, rule by rule. A rule field matches
// when it is "*" or equals the window's value exactly (case-sensitive).
void RunListViewPass();

// True for a window that was just created or shown and that is, or may come to hold, a shell
// view's item window: the item window itself, a shell view, or a top-level window of a host
// class. A cheap test of classes, for a window event.
bool MayHoldShellView(HWND window);

// Hooks the shell views' item windows in the top-level window of window, if that window hosts
// searched views.
void OfferShellViewsAround(HWND window);

// A shell view's item window: a "DirectUIHWND" (Windows 10 and 11) or "SysListView32" (classic
// dialogs, the desktop, Wine) whose parent is the view's "SHELLDLL_DefView".
bool IsShellItemWindow(HWND window);

// Whether exeName is one of the ';'-separated file names of list, compared as Windows compares
// file names (ordinal, any letter case); blanks around a name do not count.
bool IsOnExeList(const std::wstring& list, const std::wstring& exeName);
