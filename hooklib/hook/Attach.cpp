#include "hook/Attach.h"

#include <map>
#include <mutex>

#include "hook/SearchState.h"
#include "hook/SubclassChain.h"
#include "search/Keystroke.h"
#include "search/Migemo.h"
#include "search/SearchRun.h"
#include "settings/SharedBlock.h"
#include "support/Barrier.h"
#include "support/EventLog.h"
#include "support/Messages.h"
#include "support/ModuleVersion.h"
#include "support/NeverDestroyed.h"
#include "support/WorkerThread.h"
#include "ui/InputDlg.h"
#include "view/ExplorerCtrl.h"
#include "view/ShellBinding.h"
#include "view/SysListView32Ctrl.h"

namespace {

// Windows of several threads of one process may be attached: the map itself is guarded, each
// entry belongs to its window's thread. std::map keeps entries in place while others change.
// Never destroyed: a host that exits with windows attached must not free tips, controllers and
// COM objects under the loader lock (see NeverDestroyed.h).
std::mutex StatesLock;
CNeverDestroyed<std::map<HWND, SearchState>> WindowStates;

// A shell view's item window is a shell view whichever message brought it and whatever its
// class (DirectUIHWND on Windows 10 and 11, SysListView32 in classic dialogs, on the desktop and
// under Wine): it is read and selected through the view.
std::unique_ptr<CWndCtrl> MakeController(HWND window, UINT attachMessage) {
    if (attachMessage == WM_HOOK_ATTACH_EXPLORER || ShellViewWindowOf(window) != nullptr) {
        return std::make_unique<CExplorerCtrl>(window);
    }
    return std::make_unique<CSysListView32Ctrl>(window);
}

std::unique_ptr<CInfoTip> MakeTip(HWND window) {
    if (!IsOn(Shared.ShowToolTip)) {
        return nullptr;
    }
    auto tip = std::make_unique<CInfoTip>();
    tip->Create(window, GetThisModule());
    return tip;
}

// Once a window of this process runs SearchWndProc, the library must stay mapped: the system
// unloads a hook library from a process once its hook is gone, which the launcher removes right
// after the handshake, and the window would then call unmapped code. Pinned for good, before the
// window is subclassed; a window is never subclassed when the pin fails.
bool KeepLibraryLoaded() {
    static const bool pinned = [] {
        HMODULE module = nullptr;
        return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                      GET_MODULE_HANDLE_EX_FLAG_PIN,
                                  reinterpret_cast<LPCWSTR>(&SearchWndProc), &module) != FALSE;
    }();
    return pinned;
}

void ReportFirstAttach() {
    if (Shared.FirstAttachModule != nullptr) {
        return;
    }
    Shared.FirstAttachModule = GetThisModule();
    CStdString text;
    text.Format(L"0x%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetThisModule())));
    ReportInfoEvent(text.c_str());
}

// Takes the window's state out of the map; the caller frees it. last tells whether it was the
// process's last attached window.
std::optional<SearchState> TakeState(HWND window, bool* last = nullptr) {
    std::lock_guard lock(StatesLock);
    const auto it = WindowStates->find(window);
    if (it == WindowStates->end()) {
        return std::nullopt;
    }
    std::optional<SearchState> state(std::move(it->second));
    WindowStates->erase(it);
    if (last != nullptr) {
        *last = WindowStates->empty();
    }
    return state;
}

// What the first search of a process needs (the Migemo library and dictionary, the pattern
// engine's tables) is made ready off the window's thread as soon as a window attaches, so the
// first key finds it loaded. Only attached processes load it, and a detach of the last window
// before the worker ran leaves nothing loaded.
void PrepareFirstSearch() {
    StartWorkerThread([drops = MigemoDrops()] { PrepareSearch(drops); });
}

// Marks one of the window's key handlers as running for as long as it lives; the outermost
// carries out a detach that arrived meanwhile, after which the state is gone.
class CHandlerScope {
  public:
    CHandlerScope(HWND window, SearchState& state) : m_window(window), m_state(state) {
        ++m_state.m_activeHandlers;
    }
    ~CHandlerScope() {
        if (--m_state.m_activeHandlers == 0 && m_state.m_detachPending) {
            Barrier(L"the deferred detach", [this] { DetachWindow(m_window); });
        }
    }
    CHandlerScope(const CHandlerScope&) = delete;
    CHandlerScope& operator=(const CHandlerScope&) = delete;

  private:
    HWND m_window;
    SearchState& m_state;
};

// The input-dialog binding: the text typed into the dialog is searched after OK, unless the
// window was detached or destroyed while the dialog ran.
void AskForTextAndSearch(HWND window, SearchState& state) {
    std::wstring text;
    if (RunInputDialog(GetThisModule(), window, text) == IDOK && !state.m_detachPending) {
        SearchWholeText(state, text);
    }
}

// A key message, with the state held for the whole handling. A key that arrives while a handler
// of the window runs (sent from another thread during its COM call or dialog) goes on to the
// window: the outer handler is in the middle of the candidates and the names. lParam is what
// goes on to the window.
std::optional<LRESULT> HandleKey(HWND window, SearchState& state, UINT message, WPARAM wParam,
                                 LPARAM& lParam) {
    if (state.m_activeHandlers > 0) {
        return std::nullopt;
    }
    const CHandlerScope scope(window, state);
    state.m_ime.Follow(window, IsOn(Shared.DisableIme));
    const KeyOutcome outcome = HandleKeyMessage(window, state, message, wParam, lParam);
    lParam = outcome.m_passedLParam.value_or(lParam);
    if (outcome.m_askForText && !state.m_detachPending) {
        AskForTextAndSearch(window, state);
    }
    return outcome.m_result;
}

// The controller's own messages (its timer, its change notifications): handled as a key is, so a
// detach that arrives meanwhile waits for the handler.
std::optional<LRESULT> HandleOwnMessage(HWND window, SearchState& state, UINT message,
                                        WPARAM wParam, LPARAM lParam) {
    const CHandlerScope scope(window, state);
    if (state.m_pCtrl && state.m_pCtrl->HandleOwnMessage(message, wParam, lParam)) {
        return 0;
    }
    return std::nullopt;
}

// A detach asked for while a key handler of the window runs; true when it was deferred.
bool DeferDetach(HWND window) {
    SearchState* state = FindSearchState(window);
    if (state == nullptr || state->m_activeHandlers == 0) {
        return false;
    }
    state->m_detachPending = true;
    return true;
}

// SearchWndProc's work: a result when the message is consumed, none when it goes on to original,
// which is noted first (a detach frees the state), with lParam.
std::optional<LRESULT> HandleSearchMessage(HWND window, UINT message, WPARAM wParam, LPARAM& lParam,
                                           WNDPROC& original) {
    SearchState* state = FindSearchState(window);
    if (state == nullptr) {
        return CallPassThrough(window, SearchWndProc, message, wParam, lParam);
    }
    original = state->m_pfnOrigWndProc;
    if (state->m_pCtrl) {
        state->m_pCtrl->NoteMessage(message);
    }
    switch (message) {
    case WM_DESTROY:
    case WM_HOOK_DETACH:
        DetachWindow(window);
        return std::nullopt;
    case WM_SETFOCUS:
        // A change of DisableIme is followed before the first key typed after it.
        state->m_ime.Follow(window, IsOn(Shared.DisableIme));
        return std::nullopt;
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
    case WM_IME_CHAR:
    case WM_IME_COMPOSITION:
        return HandleKey(window, *state, message, wParam, lParam);
    case WM_TIMER:
    case WM_HOOK_SHELL_CHANGE:
        return HandleOwnMessage(window, *state, message, wParam, lParam);
    default:
        return std::nullopt;
    }
}

} // namespace

SearchState* FindSearchState(HWND window) {
    std::lock_guard lock(StatesLock);
    const auto it = WindowStates->find(window);
    return it == WindowStates->end() ? nullptr : &it->second;
}

int AttachWindow(HWND window, UINT attachMessage) {
    // Still in the chain as a pass-through since an earlier detach: the search resumes there,
    // as subclassing again would put SearchWndProc into the chain twice.
    const WNDPROC resumed = PassThroughTarget(window);
    const auto current = resumed != nullptr
                             ? resumed
                             : reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    if (current == nullptr || current == SearchWndProc) {
        return 0;
    }
    SearchState state;
    state.m_pfnOrigWndProc = current;
    state.m_pCtrl = MakeController(window, attachMessage);
    state.m_pTip = MakeTip(window);
    {
        // The state is in place before the window runs SearchWndProc, so no message of the
        // window is ever handled without it.
        std::lock_guard lock(StatesLock);
        if (!WindowStates->emplace(window, std::move(state)).second) {
            return 0;
        }
    }
    if (!KeepLibraryLoaded()) {
        TakeState(window);
        return 0;
    }
    if (resumed != nullptr) {
        ForgetPassThrough(window);
    } else if (SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SearchWndProc)) ==
               0) {
        TakeState(window);
        return 0;
    }
    FindSearchState(window)->m_ime.Follow(window, IsOn(Shared.DisableIme));
    ReportFirstAttach();
    PrepareFirstSearch();
    return 1;
}

void DetachWindow(HWND window) {
    if (DeferDetach(window)) {
        return;
    }
    bool last = false;
    std::optional<SearchState> state = TakeState(window, &last);
    if (!state) {
        return;
    }
    state->m_pTip.reset();
    state->m_ime.Follow(window, false);
    LeaveChain(window, SearchWndProc, state->m_pfnOrigWndProc);
    state->m_pCtrl.reset();
    // The adapter serves every attached window of the process: the first key in another window
    // must not wait for it to load again.
    if (last) {
        DeleteProcessMigemo();
    }
}

LRESULT CALLBACK SearchWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    WNDPROC original = nullptr;
    LPARAM passed = lParam;
    // After any failure the message goes on as if the library were not there.
    const std::optional<LRESULT> result = Barrier(L"SearchWndProc", std::optional<LRESULT>(), [&] {
        return HandleSearchMessage(window, message, wParam, passed, original);
    });
    if (result) {
        return *result;
    }
    if (original == nullptr) {
        return DefWindowProcW(window, message, wParam, passed);
    }
    return CallWindowProcW(original, window, message, wParam, passed);
}
