#include "hook/HookLifecycle.h"

#include <algorithm>
#include <optional>

#include "hook/Attach.h"
#include "hook/Discovery.h"
#include "hook/HookBackoff.h"
#include "hook/WindowEvents.h"
#include "settings/ParamFile.h"
#include "settings/SharedBlock.h"
#include "support/Barrier.h"
#include "support/Messages.h"
#include "support/ModuleVersion.h"
#include "support/NeverDestroyed.h"
#include "support/PathParts.h"
#include "support/UniqueHandle.h"
#include "support/WindowIdentity.h"

std::vector<HWND> HookedWindows;

namespace {

// The first call loads the library into the target, so the attach may take a while; a hung
// program must never freeze the launcher, and a window that timed out is offered again.
constexpr UINT kAttachTimeoutMs = 5000;
constexpr UINT kDetachTimeoutMs = 2000;

HMODULE StartedModule = nullptr;
CHookBackoff Backoff;
// Never destroyed: a launcher that exits without HookEnd must not unhook under the loader lock.
CNeverDestroyed<std::optional<CWindowEvents>> NewWindows;

// A pass or a handshake is under way. Window events arrive whenever this thread dispatches
// sent messages, waiting for a handshake's answer included; the handshake's result lives in one
// shared field, so a window announced meanwhile waits in Announced until the work is done.
bool Busy = false;
std::vector<HWND> Announced;

void OfferAnnounced() {
    while (!Announced.empty()) {
        const HWND window = Announced.front();
        Announced.erase(Announced.begin());
        OfferShellViewsAround(window);
    }
}

class CBusyScope {
  public:
    CBusyScope() : m_wasBusy(Busy) { Busy = true; }
    ~CBusyScope() { Busy = m_wasBusy; }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

  private:
    bool m_wasBusy;
};

// Runs work, then the windows announced meanwhile; does nothing when called from inside work.
template <class Work> void RunExclusive(Work&& work) {
    if (Busy) {
        return;
    }
    const CBusyScope busy;
    work();
    OfferAnnounced();
}

// Events come for every window of the desktop: only those that may hold a view are kept, each
// once, so the queue stays short however long a handshake waits.
void OnNewWindow(HWND window) noexcept {
    Barrier(L"OnNewWindow", [window] {
        if (!MayHoldShellView(window) ||
            std::find(Announced.begin(), Announced.end(), window) != Announced.end()) {
            return;
        }
        Announced.push_back(window);
        RunExclusive([] {});
    });
}

bool IsHooked(HWND window) {
    return std::find(HookedWindows.begin(), HookedWindows.end(), window) != HookedWindows.end();
}

void FirstStart() {
    ExchangeParamFile(false);
    StartedModule = GetThisModule();
    // A directory that does not fit stays empty; each process then finds it from its own path.
    StoreLibraryDir(DirectoryOf(GetModulePath()));
}

void PruneClosedWindows() {
    HookedWindows.erase(std::remove_if(HookedWindows.begin(), HookedWindows.end(),
                                       [](HWND window) { return !IsWindow(window); }),
                        HookedWindows.end());
    Backoff.ForgetGone([](void* window) { return !IsWindow(static_cast<HWND>(window)); });
}

// In the target: the answer to the handshake. A window attached before (by a launcher that has
// gone since, or by a handshake whose answer came too late) is adopted: it keeps its state.
int AnswerAttach(HWND window, UINT message) {
    const int attached = AttachWindow(window, message);
    return attached == 1 || FindSearchState(window) != nullptr ? 1 : 0;
}

// One attempt at hooking and attaching the window.
int TryHookWindow(HWND window, UINT attachMessage) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0) {
        return 0;
    }
    unique_hhook hook(SetWindowsHookExW(WH_CALLWNDPROC, CallWndHookProc, GetThisModule(), thread));
    if (!hook) {
        return 0;
    }
    const CBusyScope busy;
    Shared.AttachResult = 0;
    DWORD_PTR ignored = 0;
    const LRESULT sent = SendMessageTimeoutW(
        window, attachMessage, reinterpret_cast<WPARAM>(window),
        reinterpret_cast<LPARAM>(hook.get()), SMTO_ABORTIFHUNG, kAttachTimeoutMs, &ignored);
    // The hook is only the way in. Once the target has answered, it has pinned the library and
    // subclassed the window, and detaching goes to the window itself; a hook left in place
    // would only tax every message the host's thread sends, for as long as it stays. A handshake
    // that failed or timed out leaves nothing to keep either: a late answer is adopted next time.
    hook.reset();
    if (sent == 0 || Shared.AttachResult == 0) {
        return 0;
    }
    HookedWindows.push_back(window);
    return 1;
}

} // namespace

// A window that refused is offered again only after its back-off wait. The library of one word
// size can never load into a process of the other (every Explorer window, for the 32-bit
// launcher on 64-bit Windows), so such a window is never hooked and counts as refusing.
int HookWindow(HWND window, UINT attachMessage) {
    if (IsHooked(window) || !Backoff.MayTry(window, GetTickCount())) {
        return 0;
    }
    const int hooked = HasOwnWordSize(window) ? TryHookWindow(window, attachMessage) : 0;
    if (hooked == 1) {
        Backoff.Forget(window);
    } else {
        Backoff.Failed(window, GetTickCount());
    }
    return hooked;
}

// The window events bring a new view at once; the passes, run on the launcher's timer, find what
// the events cannot: the windows open before the start, those of rules, those refused once. The
// launcher's own windows hold no view and are left out of the events.
int StartHooking(HWND launcherWindow) {
    Shared.LauncherWindow = launcherWindow;
    if (StartedModule == nullptr) {
        FirstStart();
    }
    WatchNewWindows(WINEVENT_SKIPOWNPROCESS);
    RunExclusive([] {
        if (IsOn(EnableOnExplorer) || IsOn(Shared.EnableOnFileDialog)) {
            RunShellViewPass();
        }
        if (IsOn(EnableOnListView)) {
            RunListViewPass();
        }
        PruneClosedWindows();
    });
    return 1;
}

bool WatchNewWindows(DWORD flags) {
    if (!*NewWindows) {
        NewWindows->emplace(OnNewWindow, flags);
    }
    return (*NewWindows)->IsWatching();
}

int EndHooking() {
    while (!HookedWindows.empty()) {
        const HWND window = HookedWindows.front();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_HOOK_DETACH, reinterpret_cast<WPARAM>(window), 0,
                            SMTO_ABORTIFHUNG, kDetachTimeoutMs, &ignored);
        HookedWindows.erase(HookedWindows.begin());
    }
    NewWindows->reset();
    Announced.clear();
    return 1;
}

LRESULT CALLBACK CallWndHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code != HC_ACTION || message == nullptr ||
        (message->message != WM_HOOK_ATTACH_EXPLORER &&
         message->message != WM_HOOK_ATTACH_LISTVIEW)) {
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    if (message->wParam == 0 || message->lParam == 0 ||
        reinterpret_cast<HWND>(message->wParam) != message->hwnd) {
        return 0;
    }
    // The hook runs inside the target: a failure answers that the window is not attached.
    Shared.AttachResult = Barrier(
        L"CallWndHookProc", 0, [message] { return AnswerAttach(message->hwnd, message->message); });
    return 0;
}
