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
#include "support/WorkerThread.h"
#include "ui/InputDlg.h"
#include "view/ExplorerCtrl.h"
#include "view/SysListView32Ctrl.h"

namespace {

// Windows of several threads of one process may be attached: the map itself is guarded, each
// entry belongs to its window's thread. std::map keeps entries in place while others change.
std::mutex StatesLock;
std::map<HWND, SearchState> WindowStates;

std::unique_ptr<CWndCtrl> MakeController(HWND window, UINT attachMessage) {
    if (attachMessage == WM_HOOK_ATTACH_EXPLORER) {
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
    const auto it = WindowStates.find(window);
    if (it == WindowStates.end()) {
        return std::nullopt;
    }
    std::optional<SearchState> state(std::move(it->second));
    WindowStates.erase(it);
    if (last != nullptr) {
        *last = WindowStates.empty();
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

// The input-dialog binding: the text typed into the dialog is searched after OK. The dialog's
// message loop may have detached or destroyed the window meanwhile.
void AskForTextAndSearch(HWND window) {
    std::wstring text;
    if (RunInputDialog(GetThisModule(), window, text) != IDOK) {
        return;
    }
    if (SearchState* state = FindSearchState(window)) {
        SearchWholeText(*state, text);
    }
}

// SearchWndProc's work: a result when the message is consumed, none when it goes on to original,
// which is noted first (a detach frees the state).
std::optional<LRESULT> HandleSearchMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           WNDPROC& original) {
    SearchState* state = FindSearchState(window);
    if (state == nullptr) {
        return CallPassThrough(window, SearchWndProc, message, wParam, lParam);
    }
    original = state->m_pfnOrigWndProc;
    switch (message) {
    case WM_DESTROY:
    case WM_HOOK_DETACH:
        DetachWindow(window);
        return std::nullopt;
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_SYSKEYDOWN: {
        const KeyOutcome outcome = HandleKeyMessage(window, *state, message, wParam, lParam);
        if (outcome.m_askForText) {
            AskForTextAndSearch(window);
        }
        return outcome.m_result;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

SearchState* FindSearchState(HWND window) {
    std::lock_guard lock(StatesLock);
    const auto it = WindowStates.find(window);
    return it == WindowStates.end() ? nullptr : &it->second;
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
        if (!WindowStates.emplace(window, std::move(state)).second) {
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
    ReportFirstAttach();
    PrepareFirstSearch();
    return 1;
}

void DetachWindow(HWND window) {
    bool last = false;
    std::optional<SearchState> state = TakeState(window, &last);
    if (!state) {
        return;
    }
    state->m_pTip.reset();
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
    // After any failure the message goes on as if the library were not there.
    const std::optional<LRESULT> result = Barrier(L"SearchWndProc", std::optional<LRESULT>(), [&] {
        return HandleSearchMessage(window, message, wParam, lParam, original);
    });
    if (result) {
        return *result;
    }
    if (original == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}
