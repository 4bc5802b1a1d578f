#include "ShellDoubles.h"

using Microsoft::WRL::ComPtr;

HRESULT CBrowserDouble::get_HWND(SHANDLE_PTR* hWnd) {
    if (Fails("get_HWND")) {
        return E_FAIL;
    }
    *hWnd = reinterpret_cast<SHANDLE_PTR>(m_hWndTop);
    return S_OK;
}

void* CBrowserDouble::Find(REFIID riid) {
    if (riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp) {
        return static_cast<IWebBrowserApp*>(this);
    }
    return nullptr;
}

void* CDispatchOnlyDouble::Find(REFIID riid) {
    return riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
}

HRESULT CShellWindowsDouble::get_Count(LONG* count) {
    if (Fails("get_Count")) {
        return E_FAIL;
    }
    *count = static_cast<LONG>(m_entries.size());
    return S_OK;
}

HRESULT CShellWindowsDouble::Item(VARIANT index, IDispatch** folder) {
    *folder = nullptr;
    if (Fails("Item")) {
        return E_FAIL;
    }
    if (index.vt != VT_I4) {
        return E_INVALIDARG;
    }
    if (index.lVal < 0 || index.lVal >= static_cast<LONG>(m_entries.size()) ||
        !m_entries[index.lVal]) {
        return S_FALSE;
    }
    *folder = ComPtr<IDispatch>(m_entries[index.lVal]).Detach();
    return S_OK;
}

void* CShellWindowsDouble::Find(REFIID riid) {
    return riid == IID_IDispatch || riid == IID_IShellWindows ? static_cast<IShellWindows*>(this)
                                                              : nullptr;
}
