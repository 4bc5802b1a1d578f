// The benchmark's probe in a shell view's process: a library the benchmark hooks into the
// view's thread (WH_GETMESSAGE and WH_CALLWNDPROC, as the hook library itself is brought in).
// It times each character typed into the item window as the target program of the list-view
// rows does from its own message loop: from GetMessageW handing out the WM_CHAR to the
// LVN_ITEMCHANGED that selects another item (sent to the view by the item window, on this
// thread, so WH_CALLWNDPROC sees it). The end of a key's handling is the moment its marker
// leaves the queue: a message posted as the key is taken out, which GetMessageW hands out
// before any later input (posted messages come before input). Then the selection goes back to
// the park item, so every key has one to change.
#include <windows.h>
#include <commctrl.h>

#include "Clock.h"
#include "CorpusList.h"
#include "ShellReport.h"

namespace {

// WM_NULL with this wParam and lParam is the probe's marker.
constexpr WPARAM kMarker = 0x5B1EB;

struct PendingKey {
    int m_slot = -1;
    LARGE_INTEGER m_dequeued{};
    bool m_selected = false;
};

ShellReport* Report = nullptr;
HWND List = nullptr;
WNDPROC ListOwnProc = nullptr;
UINT QueryMessage = 0;
UINT ReadAllMessage = 0;
PendingKey Key;
// The shell view's items are callbacks: finding the park item by name asks the view for texts.
int FindParkItem() {
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = kParkName;
    return static_cast<int>(SendMessageW(List, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(&find)));
}

// On the view's thread, at the probe's first message there; once.
bool Start() {
    static bool s_tried = false;
    if (s_tried) {
        return Report != nullptr;
    }
    s_tried = true;
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kShellReportName);
    if (mapping == nullptr) {
        return false;
    }
    // The view outlives the handle; both last as long as the process.
    auto* report = static_cast<ShellReport*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ShellReport)));
    if (report == nullptr ||
        GetWindowThreadProcessId(report->m_list, nullptr) != GetCurrentThreadId()) {
        return false;
    }
    QueryMessage = RegisterWindowMessageW(kShellQueryMessage);
    ReadAllMessage = RegisterWindowMessageW(kShellReadAllMessage);
    List = report->m_list;
    ListOwnProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(List, GWLP_WNDPROC));
    Report = report;
    Report->m_parkIndex = FindParkItem();
    if (Report->m_parkIndex >= 0) {
        ParkSelection(List, Report->m_parkIndex);
        SendMessageW(List, LVM_ENSUREVISIBLE, static_cast<WPARAM>(Report->m_parkIndex), FALSE);
    }
    SetFocus(List);
    InterlockedExchange(&Report->m_ready, 1);
    return true;
}

void EndKey() {
    if (Key.m_slot < 0) {
        return;
    }
    Report->m_keys[Key.m_slot].m_handledMs = MsSince(Key.m_dequeued);
    InterlockedIncrement(&Report->m_keyCount);
    Key.m_slot = -1;
    ParkSelection(List, Report->m_parkIndex);
}

void BeginKey(LARGE_INTEGER dequeued, WPARAM character) {
    EndKey();
    Key = PendingKey{static_cast<int>(Report->m_keyCount), dequeued, false};
    KeyRecord& record = Report->m_keys[Key.m_slot];
    record.m_character = static_cast<int32_t>(character);
    record.m_selectedItem = -1;
    record.m_selectedMs = -1.0;
    record.m_handledMs = -1.0;
    PostMessageW(List, WM_NULL, kMarker, kMarker);
}

void OnDequeued(const MSG& msg, LARGE_INTEGER dequeued) {
    if (msg.hwnd != List) {
        return;
    }
    if (msg.message == WM_CHAR && Report->m_parkIndex >= 0 && Report->m_keyCount < kMaxKeyRecords) {
        BeginKey(dequeued, msg.wParam);
    } else if (msg.message == WM_NULL && msg.wParam == kMarker &&
               msg.lParam == static_cast<LPARAM>(kMarker)) {
        EndKey();
    }
}

// The host's own work behind a search that reads the names afresh: every item's text.
double ReadAllMs() {
    const LARGE_INTEGER start = Now();
    const auto count = static_cast<int>(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[261] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 260;
        SendMessageW(List, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
    }
    return MsSince(start);
}

void OnSent(const CWPSTRUCT& sent) {
    if (sent.hwnd == List && sent.message == ReadAllMessage) {
        Report->m_readAllMs = ReadAllMs();
        return;
    }
    if (sent.hwnd == List && sent.message == QueryMessage) {
        const auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(List, GWLP_WNDPROC));
        InterlockedExchange(&Report->m_attached, proc != ListOwnProc ? 1 : 0);
        // Asked right after the benchmark made the frame the foreground window: the keys it
        // types next go to the item window.
        SetFocus(List);
        return;
    }
    if (sent.message != WM_NOTIFY || Key.m_slot < 0 || Key.m_selected) {
        return;
    }
    const auto* header = reinterpret_cast<const NMHDR*>(sent.lParam);
    if (header->hwndFrom != List || header->code != LVN_ITEMCHANGED) {
        return;
    }
    const auto& change = *reinterpret_cast<const NMLISTVIEW*>(sent.lParam);
    if (SelectsAnotherItem(change, Report->m_parkIndex)) {
        KeyRecord& record = Report->m_keys[Key.m_slot];
        record.m_selectedMs = MsSince(Key.m_dequeued);
        record.m_selectedItem = change.iItem;
        Key.m_selected = true;
    }
}

} // namespace

// The hook procedures, by these names (GetProcAddress). Plain C code paths only: nothing here
// throws, and the host's messages always go on.
extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeGetMessage(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const LARGE_INTEGER dequeued = Now();
    if (code == HC_ACTION && wParam == PM_REMOVE && Start()) {
        OnDequeued(*reinterpret_cast<const MSG*>(lParam), dequeued);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == HC_ACTION && Start()) {
        OnSent(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
