#include "view/ShellBinding.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>

#include "support/Failure.h"

using Microsoft::WRL::ComPtr;

namespace {

// A browser host answers with its IShellBrowser, without adding a reference for the caller.
constexpr UINT CWM_GETISHELLBROWSER = WM_USER + 7;

// The windows that hold a shell browser: a File Explorer tab (Windows 10 and 11 give every tab
// a browser of its own), an Explorer frame (CabinetWClass; ExploreWClass and ExplorerWClass
// are the frame names of the explore mode of older versions, and of Wine's file browser), the
// ExplorerBrowser control's window (Wine's ebrowser.c answers the message there; Windows
// documents the control only through IExplorerBrowser, so there it may stay silent and the
// walk goes on), and a common file dialog (#32770). Nearest first wins, so a tab is asked
// before its frame.
constexpr std::wstring_view kHostClasses[] = {
    L"ShellTabWindowClass", L"CabinetWClass",          L"ExploreWClass",
    L"ExplorerWClass",      L"ExplorerBrowserControl", L"#32770",
};

constexpr wchar_t kViewClass[] = L"SHELLDLL_DefView";

// The window's parent, not its owner, and none above a top-level window.
HWND ParentOf(HWND hWnd) {
    const HWND parent = GetAncestor(hWnd, GA_PARENT);
    return parent == GetDesktopWindow() ? nullptr : parent;
}

bool HasClass(HWND hWnd, std::wstring_view name) {
    wchar_t text[64] = {};
    const int length = GetClassNameW(hWnd, text, static_cast<int>(std::size(text)));
    return length > 0 && std::wstring_view(text, static_cast<size_t>(length)) == name;
}

bool IsHostClass(HWND hWnd) {
    return std::ranges::any_of(kHostClasses,
                               [hWnd](std::wstring_view name) { return HasClass(hWnd, name); });
}

bool IsReadable(const void* address, size_t size, DWORD type) {
    MEMORY_BASIC_INFORMATION info{};
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (VirtualQuery(address, &info, sizeof(info)) != sizeof(info) || info.State != MEM_COMMIT ||
        (info.Protect & kReadable) == 0 || (info.Protect & PAGE_GUARD) != 0 ||
        (type != 0 && info.Type != type)) {
        return false;
    }
    const auto* const end = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    return static_cast<const char*>(address) + size <= end;
}

// The answer is used as a pointer, and a window of these classes in another program may use the
// message for something else: only an object in readable memory whose table of methods lies in
// a loaded module is taken for an interface.
bool LooksLikeInterface(const void* answer) {
    if (answer == nullptr || !IsReadable(answer, sizeof(void*), 0)) {
        return false;
    }
    const void* table = *static_cast<const void* const*>(answer);
    return IsReadable(table, sizeof(void*), MEM_IMAGE);
}

// The host's browser, or null. Only hosts of this thread are asked: the answer is an object of
// the host's apartment, and a host of another thread would be a blocking call.
ComPtr<IShellBrowser> AskHost(HWND host) {
    if (GetWindowThreadProcessId(host, nullptr) != GetCurrentThreadId()) {
        return nullptr;
    }
    auto* const answer =
        reinterpret_cast<IShellBrowser*>(SendMessageW(host, CWM_GETISHELLBROWSER, 0, 0));
    return LooksLikeInterface(answer) ? ComPtr<IShellBrowser>(answer) : nullptr;
}

// The window of the browser's active view, or null.
HWND ActiveViewWindow(IShellBrowser* psb) {
    ComPtr<IShellView> psv;
    HWND hWndActive = nullptr;
    if (FAILED(psb->QueryActiveShellView(&psv)) || !psv || FAILED(psv->GetWindow(&hWndActive))) {
        return nullptr;
    }
    return hWndActive;
}

// The binding through this browser, whose active view must have the window hWndView.
ShellBinding BindThrough(ComPtr<IShellBrowser> psb, HWND hWndView) {
    ComPtr<IShellView> psv;
    SKIMVUE_CHECK_HR(psb->QueryActiveShellView(&psv));
    SKIMVUE_CHECK_NOT_NULL(psv);
    HWND hWndActive = nullptr;
    SKIMVUE_CHECK_HR(psv->GetWindow(&hWndActive));
    SKIMVUE_CHECK(hWndActive == hWndView);
    ComPtr<IFolderView> pfv;
    SKIMVUE_CHECK_QUERY(psv, IFolderView, pfv);
    return {std::move(psb), std::move(psv), std::move(pfv), hWndView};
}

} // namespace

HWND ShellViewWindowOf(HWND hWndItems) {
    const HWND parent = ParentOf(hWndItems);
    return parent != nullptr && HasClass(parent, kViewClass) ? parent : nullptr;
}

ShellBinding BindShellView(HWND hWndView) {
    SKIMVUE_CHECK_NOT_NULL(hWndView);
    // The last browser that answered, and why it did not bind.
    ComPtr<IShellBrowser> psb;
    std::optional<CFailure> failure;
    for (HWND host = ParentOf(hWndView); host != nullptr; host = ParentOf(host)) {
        ComPtr<IShellBrowser> answer = IsHostClass(host) ? AskHost(host) : nullptr;
        if (!answer) {
            continue;
        }
        psb = std::move(answer);
        // A browser that shows another view (the frame above a tab of its own) leaves the hosts
        // further up to try.
        try {
            return BindThrough(psb, hWndView);
        } catch (const CFailure& failed) {
            failure = failed;
        }
    }
    SKIMVUE_CHECK_NOT_NULL(psb);
    // The last host's own failure, kept from its catch: it names the call that did not bind.
    throw *failure; // NOLINT(misc-throw-by-value-catch-by-reference)
}

bool IsStillActive(const ShellBinding& binding) noexcept {
    if (!binding.m_psb || !IsWindow(binding.m_hWndView)) {
        return false;
    }
    return ActiveViewWindow(binding.m_psb.Get()) == binding.m_hWndView;
}
