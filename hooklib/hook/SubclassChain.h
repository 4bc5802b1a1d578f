#pragma once
// Leaving a subclass chain without cutting others out of it. Another program or a shell
// extension may subclass a view after the search did; it then keeps the search's procedure as
// the one it passes messages to. Putting the saved procedure back over its procedure would cut
// it out, and if it later restored the search's procedure, every message would go nowhere.
// So a procedure that is no longer on top stays in the chain as a plain pass-through to the
// procedure it replaced, until it is on top again or the window is gone. (The library pins
// itself at the first attach, so the pass-through stays mapped without any hook.)
#include <windows.h>

// Takes self out of the window's chain: puts next back if self is the window's procedure,
// else keeps self as a pass-through to next.
void LeaveChain(HWND window, WNDPROC self, WNDPROC next);

// The procedure self passes the window's messages to while it is a pass-through, or null.
WNDPROC PassThroughTarget(HWND window);

// Forgets the pass-through (self is the window's attached procedure again).
void ForgetPassThrough(HWND window);

// A message that reached self for a window it is no longer attached to: handed to the
// procedure it replaced (DefWindowProcW when it knows none). Self leaves the chain as soon as
// it is on top again, and forgets the window at its last message.
LRESULT CallPassThrough(HWND window, WNDPROC self, UINT message, WPARAM wParam, LPARAM lParam);
