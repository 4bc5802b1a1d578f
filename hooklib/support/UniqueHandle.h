#pragma once
// Owners for platform handles: one template, one alias per kind of handle. A handle that is
// given back through what it came from (ReleaseDC needs the window of the device context) has
// a second template that keeps that too. Native builds use the same templates for their handles.
#include <cstdint>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <imm.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <shtypes.h>
#else
#include <dlfcn.h>
#include <iconv.h>
#endif

// What an owner holds when it holds nothing, by the value the creating call fails with (Microsoft
// Learn, each call's "Return value"). Most fail with null: CreateEventW, OpenProcess,
// CreateThread, CreateFileMappingW, LoadLibraryW, SetWindowsHookExW, CreateWindowExW, the GDI
// creators. The calls that hand a handle out through a pointer (RegOpenKeyExW, CreatePipe,
// GetModuleHandleExW) report failure in their result; put() leaves null for them to overwrite.
template <class Handle> struct none_is_null {
    static constexpr Handle none() noexcept { return Handle{}; }
    static constexpr bool is_none(Handle handle) noexcept { return handle == Handle{}; }
};
// A few fail with all bits set: CreateFileW, FindFirstFileW and CreateToolhelp32Snapshot with
// INVALID_HANDLE_VALUE, iconv_open with (iconv_t)-1 (POSIX). Null is no handle of theirs either.
// INVALID_HANDLE_VALUE is also GetCurrentProcess()'s pseudo handle, so such a result must never
// reach an owner of the null kind, which would take it for a handle and close it.
template <class Handle> struct none_is_all_ones {
    static Handle none() noexcept { return reinterpret_cast<Handle>(~std::uintptr_t{0}); }
    static bool is_none(Handle handle) noexcept { return handle == none() || handle == Handle{}; }
};

// Closes its handle with Close unless None counts it as no handle.
template <class Handle, auto Close, class None = none_is_null<Handle>> class unique_any {
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
    explicit operator bool() const { return !None::is_none(m_handle); }
    Handle release() { return std::exchange(m_handle, None::none()); }
    void reset(Handle handle = None::none()) {
        if (!None::is_none(m_handle)) {
            Close(m_handle);
        }
        m_handle = handle;
    }
    // Closes the handle held and returns where a call that hands its handle out through a
    // pointer (RegOpenKeyExW, CreatePipe, IFolderView::Item) is to write the new one.
    Handle* put() {
        reset();
        return &m_handle;
    }

  private:
    Handle m_handle = None::none();
};

// A handle given back as Release(owner, handle); a null handle is none (GetDC, ImmGetContext,
// SetTimer and SelectObject fail with null or 0). No call hands these out through a pointer, so
// they have no put().
template <class Owner, class Handle, auto Release> class unique_bound {
  public:
    unique_bound() = default;
    unique_bound(Owner owner, Handle handle) : m_owner(owner), m_handle(handle) {}
    ~unique_bound() { reset(); }
    unique_bound(const unique_bound&) = delete;
    unique_bound& operator=(const unique_bound&) = delete;
    unique_bound(unique_bound&& other) noexcept
        : m_owner(other.m_owner), m_handle(std::exchange(other.m_handle, Handle{})) {}
    unique_bound& operator=(unique_bound&& other) noexcept {
        if (this != &other) {
            reset();
            m_owner = other.m_owner;
            m_handle = std::exchange(other.m_handle, Handle{});
        }
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle{}; }
    void reset() {
        if (m_handle != Handle{}) {
            Release(m_owner, m_handle);
        }
        m_handle = Handle{};
    }

  private:
    Owner m_owner{};
    Handle m_handle{};
};

#ifdef _WIN32
using unique_handle = unique_any<HANDLE, CloseHandle>;
// A handle of CreateFileW or CreateToolhelp32Snapshot, which fail with INVALID_HANDLE_VALUE.
using unique_hfile = unique_any<HANDLE, CloseHandle, none_is_all_ones<HANDLE>>;
using unique_hmodule = unique_any<HMODULE, FreeLibrary>;
using unique_hhook = unique_any<HHOOK, UnhookWindowsHookEx>;
using unique_hwineventhook = unique_any<HWINEVENTHOOK, UnhookWinEvent>;
using unique_hwnd = unique_any<HWND, DestroyWindow>;
using unique_hfont = unique_any<HFONT, DeleteObject>;
using unique_hbitmap = unique_any<HBITMAP, DeleteObject>;
// A device context of CreateCompatibleDC.
using unique_hdc = unique_any<HDC, DeleteDC>;
using unique_hicon = unique_any<HICON, DestroyIcon>;
using unique_hmenu = unique_any<HMENU, DestroyMenu>;
using unique_hkey = unique_any<HKEY, RegCloseKey>;
using unique_event_source = unique_any<HANDLE, DeregisterEventSource>;
using unique_hfind = unique_any<HANDLE, FindClose, none_is_all_ones<HANDLE>>;
// The array CommandLineToArgvW returns.
using unique_argv = unique_any<LPWSTR*, LocalFree>;
using unique_mapped_view = unique_any<void*, UnmapViewOfFile>;
using unique_bstr = unique_any<BSTR, SysFreeString>;
// A string COM allocated for the caller (IShellItem::GetDisplayName and the like).
using unique_cotaskmem_string = unique_any<wchar_t*, CoTaskMemFree>;
// An item ID list the shell allocated for the caller (IFolderView::Item, ILClone and the like).
using unique_pidl = unique_any<ITEMIDLIST*, CoTaskMemFree>;

// A registration of SHChangeNotifyRegister.
using unique_change_notify = unique_any<ULONG, SHChangeNotifyDeregister>;

// GetDC or GetWindowDC of the window (null: the screen), released with it.
using unique_hdc_window = unique_bound<HWND, HDC, ReleaseDC>;
// ImmGetContext of the window, released with it.
using unique_himc = unique_bound<HWND, HIMC, ImmReleaseContext>;
// A timer of SetTimer on the window, by its identifier.
using unique_window_timer = unique_bound<HWND, UINT_PTR, KillTimer>;
// What SelectObject replaced in the device context, selected back.
using unique_select_object = unique_bound<HDC, HGDIOBJ, SelectObject>;

// Selects object into dc until the result goes.
inline unique_select_object SelectObjectFor(HDC dc, HGDIOBJ object) {
    return unique_select_object(dc, SelectObject(dc, object));
}

// BeginPaint's context of the window, ended with EndPaint (which needs the paint record).
class unique_hdc_paint {
  public:
    explicit unique_hdc_paint(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint)) {}
    ~unique_hdc_paint() {
        if (m_dc != nullptr) {
            EndPaint(m_window, &m_paint);
        }
    }
    unique_hdc_paint(const unique_hdc_paint&) = delete;
    unique_hdc_paint& operator=(const unique_hdc_paint&) = delete;

    HDC get() const { return m_dc; }

  private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};
// COM on the calling thread, uninitialised again only when CoInitializeEx succeeded: a thread
// already in another apartment is refused (RPC_E_CHANGED_MODE) and must not uninitialise.
// Declared before the interfaces it serves, so it goes after they are released.
class unique_com_init {
  public:
    explicit unique_com_init(DWORD model) : m_result(CoInitializeEx(nullptr, model)) {}
    ~unique_com_init() {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    unique_com_init(const unique_com_init&) = delete;
    unique_com_init& operator=(const unique_com_init&) = delete;

    HRESULT result() const { return m_result; }

  private:
    HRESULT m_result;
};
#else
using unique_dlhandle = unique_any<void*, dlclose>;
using unique_iconv = unique_any<iconv_t, iconv_close, none_is_all_ones<iconv_t>>;
#endif
