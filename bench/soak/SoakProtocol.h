#pragma once
// The messages between the soak benchmark and its target program. The target has one hidden
// control window that opens and closes list windows and keeps the counts, and a frame window
// per list view.
#include <windows.h>

// To the control window. Opens a frame with a filled list view; answers the frame's handle.
constexpr UINT WM_SOAK_OPEN = WM_APP + 11;
// To the control window. wParam a SoakCount; answers that count.
constexpr UINT WM_SOAK_COUNT = WM_APP + 12;
// To a frame. Answers 1 while its list view runs another window procedure than the target's own
// (the library attached).
constexpr UINT WM_SOAK_IS_ATTACHED = WM_APP + 13;
// To a frame. Answers how many attach handshakes its list view received.
constexpr UINT WM_SOAK_OFFERS = WM_APP + 14;

enum SoakCount : WPARAM {
    // Characters typed into the list views.
    kSoakKeys = 0,
    // Those whose handling selected another item than the park item.
    kSoakSelectingKeys = 1,
    // Frames open now.
    kSoakOpenWindows = 2,
};
