#include "hook/SubclassChain.h"

#include <map>
#include <mutex>

namespace {

// Windows of several threads of one process may pass through; each entry belongs to its
// window's thread.
std::mutex PassThroughLock;
std::map<HWND, WNDPROC> PassThroughProcs;

WNDPROC CurrentProcedure(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

} // namespace

void LeaveChain(HWND window, WNDPROC self, WNDPROC next) {
    // A window destroyed while its detach waited for a handler to return has no chain left.
    if (next == nullptr || !IsWindow(window)) {
        ForgetPassThrough(window);
        return;
    }
    if (CurrentProcedure(window) == self &&
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next)) != 0) {
        ForgetPassThrough(window);
        return;
    }
    std::lock_guard lock(PassThroughLock);
    // A window destroyed by a subclass that never passed on its last message is dropped here.
    std::erase_if(PassThroughProcs, [](const auto& entry) { return !IsWindow(entry.first); });
    PassThroughProcs[window] = next;
}

WNDPROC PassThroughTarget(HWND window) {
    std::lock_guard lock(PassThroughLock);
    const auto it = PassThroughProcs.find(window);
    return it == PassThroughProcs.end() ? nullptr : it->second;
}

void ForgetPassThrough(HWND window) {
    std::lock_guard lock(PassThroughLock);
    PassThroughProcs.erase(window);
}

LRESULT CallPassThrough(HWND window, WNDPROC self, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC next = PassThroughTarget(window);
    if (next == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ForgetPassThrough(window);
    } else if (CurrentProcedure(window) == self) {
        LeaveChain(window, self, next);
    }
    return CallWindowProcW(next, window, message, wParam, lParam);
}
