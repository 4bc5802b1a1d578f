#pragma once
// Which shell view an item window belongs to, found inside the window's own process and thread:
// the item window's parent is the view's window (SHELLDLL_DefView); the nearest browser host
// above it that answers CWM_GETISHELLBROWSER with a browser whose active view has that very
// window is the one. No other process and no other thread is ever called.
#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

struct ShellBinding {
    Microsoft::WRL::ComPtr<IShellBrowser> m_psb;
    Microsoft::WRL::ComPtr<IShellView> m_psv;
    Microsoft::WRL::ComPtr<IFolderView> m_pfv;
    // The view's window, SHELLDLL_DefView.
    HWND m_hWndView = nullptr;
};

// The SHELLDLL_DefView whose child the item window is, or null.
HWND ShellViewWindowOf(HWND hWndItems);

// Binds the view whose window is hWndView. Throws CFailure (support/Failure.h) for the call that
// failed when no host binds it.
ShellBinding BindShellView(HWND hWndView);

// Whether the browser still shows the bound view: its active view's window is still the bound
// one (a navigation or a tab switch changes it).
bool IsStillActive(const ShellBinding& binding) noexcept;
