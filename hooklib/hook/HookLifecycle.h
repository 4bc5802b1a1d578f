#pragma once
// Hooking target windows from the launcher: a thread hook per window makes the system load the
// library into the window's process, where the attach handshake attaches the search. The hook
// lives only for the handshake; the attached window keeps the library loaded on its own.
#include <windows.h>

#include <vector>

// Windows this process hooked whose handshake attached them, in the order they attached.
extern std::vector<HWND> HookedWindows;

// First call in a process: loads the settings and records the library directory. Every call:
// watches for new windows (WatchNewWindows with WINEVENT_SKIPOWNPROCESS) if not yet watching,
// hooks the windows found since and forgets closed ones. The calling thread must pump messages.
int StartHooking(HWND launcherWindow);

// Starts offering the shell views of every window that appears, as the window events announce
// it, unless already watching; flags: further WINEVENT_ flags. True while watching.
bool WatchNewWindows(DWORD flags);

// Stops watching and detaches every hooked window, in the order they attached.
int EndHooking();

// 1 when the window was hooked and attached, 0 otherwise. A window that failed is tried again
// after a wait that doubles with each failure in a row (up to 10 s), and forgotten once gone; a
// window of a process of the other word size is never hooked.
int HookWindow(HWND window, UINT attachMessage);

// The thread hook: in the target process, answers the attach handshake.
LRESULT CALLBACK CallWndHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
