#pragma once
// Owners for platform handles: one template, one alias per kind of handle.
#include <windows.h>

#include <utility>

template <class Handle, auto Close, Handle Invalid = Handle{}> class unique_any {
  public:
    unique_any() = default;
    explicit unique_any(Handle handle) : m_handle(handle) {}
    ~unique_any() { reset(); }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_handle(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Invalid; }
    Handle release() { return std::exchange(m_handle, Invalid); }
    void reset(Handle handle = Invalid) {
        if (m_handle != Invalid) {
            Close(m_handle);
        }
        m_handle = handle;
    }

  private:
    Handle m_handle = Invalid;
};

using unique_handle = unique_any<HANDLE, CloseHandle>;
using unique_hmodule = unique_any<HMODULE, FreeLibrary>;
using unique_hhook = unique_any<HHOOK, UnhookWindowsHookEx>;
using unique_hwnd = unique_any<HWND, DestroyWindow>;
using unique_hfont = unique_any<HFONT, DeleteObject>;
using unique_hicon = unique_any<HICON, DestroyIcon>;
using unique_hmenu = unique_any<HMENU, DestroyMenu>;
using unique_hkey = unique_any<HKEY, RegCloseKey>;
using unique_event_source = unique_any<HANDLE, DeregisterEventSource>;
