#pragma once
// Attaching the search to a window: subclassing it and keeping its search state in the
// process's map of attached windows.
#include <windows.h>

struct SearchState;

// 1 when the window was subclassed; 0 when it runs the search already or cannot be subclassed.
// attachMessage chooses the view controller: WM_HOOK_ATTACH_EXPLORER or WM_HOOK_ATTACH_LISTVIEW.
int AttachWindow(HWND window, UINT attachMessage);

// Restores the window's procedure and frees its state. When another subclass has been put on
// top since, SearchWndProc stays in the chain as a plain pass-through instead.
void DetachWindow(HWND window);

// The window's state, or null. Only the window's own thread may call this and use the state:
// entries are removed only by their own thread, so the state stays valid until that thread
// detaches the window.
SearchState* FindSearchState(HWND window);

LRESULT CALLBACK SearchWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
