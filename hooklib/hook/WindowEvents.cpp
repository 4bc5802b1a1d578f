#include "hook/WindowEvents.h"

namespace {

// One watch per process: the launcher's. The system's callback carries no context of ours.
void (*OnWindow)(HWND) noexcept = nullptr;

} // namespace

CWindowEvents::CWindowEvents(void (*onWindow)(HWND) noexcept, DWORD flags) {
    OnWindow = onWindow;
    // EVENT_OBJECT_DESTROY lies between the two and is dropped in the callback: one hook for the
    // range costs the system less than two.
    m_hook.reset(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, EventProc, 0, 0,
                                 WINEVENT_OUTOFCONTEXT | flags));
}

CWindowEvents::~CWindowEvents() {
    m_hook.reset();
    OnWindow = nullptr;
}

// Events of windows come with OBJID_WINDOW and CHILDID_SELF; those of the parts of a window
// (its caret, cursor, scroll bars, an item of a control) carry other ids.
void CALLBACK CWindowEvents::EventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                       LONG child, DWORD, DWORD) noexcept {
    if (event == EVENT_OBJECT_DESTROY || object != OBJID_WINDOW || child != CHILDID_SELF ||
        window == nullptr || OnWindow == nullptr) {
        return;
    }
    OnWindow(window);
}
