#pragma once
// Learning of new windows as they appear, rather than at the next timer tick: an out-of-context
// window-event hook on the calling thread. The system queues each event to that thread and calls
// the callback from its message loop, so the thread must pump messages; no code is loaded into
// any other process.
#include <windows.h>

#include "support/UniqueHandle.h"

class CWindowEvents {
  public:
    // Calls onWindow with every window that is created or shown (EVENT_OBJECT_CREATE and
    // EVENT_OBJECT_SHOW of OBJID_WINDOW), in every process but those flags leave out
    // (WINEVENT_SKIPOWNPROCESS). onWindow runs inside the system's callback: it must not throw.
    CWindowEvents(void (*onWindow)(HWND) noexcept, DWORD flags);
    ~CWindowEvents();
    CWindowEvents(const CWindowEvents&) = delete;
    CWindowEvents& operator=(const CWindowEvents&) = delete;

    bool IsWatching() const { return static_cast<bool>(m_hook); }

  private:
    static void CALLBACK EventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                   LONG child, DWORD thread, DWORD time) noexcept;

    unique_hwineventhook m_hook;
};
