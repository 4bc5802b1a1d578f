#pragma once
// The library's private window messages.
#ifdef _WIN32
#include <windows.h>
#else
constexpr unsigned WM_APP = 0x8000;
#endif

constexpr unsigned WM_HOOK_DETACH = WM_APP + 101;          // to an attached window
constexpr unsigned WM_HOOK_ATTACH_EXPLORER = WM_APP + 102; // to an Explorer item view
constexpr unsigned WM_HOOK_ATTACH_LISTVIEW = WM_APP + 103; // to a list view
// To an attached shell view's item window: its folder changed (SHChangeNotifyRegister).
constexpr unsigned WM_HOOK_SHELL_CHANGE = WM_APP + 104;
constexpr unsigned WM_TRAYICON = WM_APP + 200; // tray icon callback
// To a tooltip: wParam display time in ms, lParam x in the high and y in the low 16 bits,
// each a signed 16-bit value so a tip can sit on a monitor left of or above the primary one.
constexpr unsigned WM_INFOTIP_SHOWAT = WM_APP + 301;
