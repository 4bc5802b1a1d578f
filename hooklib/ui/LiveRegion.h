#pragma once
// Telling screen readers that a window's text changed although it never takes the focus. A
// window's accessible name is its window text (the system's proxy objects read it); a screen
// reader speaks a change of a window it is not focused on only when the window is a live
// region: its UI Automation LiveSetting is polite or assertive and it raises
// EVENT_OBJECT_LIVEREGIONCHANGED, which UI Automation passes on as its LiveRegionChanged
// event (Microsoft's accessibility guidance for Win32 live regions).
#include <windows.h>

// Marks the window's client object as a polite live region (spoken after what is being
// spoken). Needs COM on the calling thread; false when the mark could not be set.
bool MarkPoliteLiveRegion(HWND hWnd);

// Removes the mark; the annotation is kept by the system until cleared.
void ClearLiveRegion(HWND hWnd);

// Raises EVENT_OBJECT_LIVEREGIONCHANGED for the window's client object.
void AnnounceLiveRegion(HWND hWnd);
