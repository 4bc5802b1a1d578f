// The end-to-end benchmark's target program, run in a process of its own:
//   skimvue_bench_target --count N --title T --class C --report NAME
// One top-level window of class C titled T with a report-style list view of N realistic file
// names, one of them selected. Its message loop times every character typed into the list view
// from the moment GetMessageW hands out the WM_CHAR to the LVN_ITEMCHANGED that selects another
// item, and writes the times into the shared memory block NAME (TargetReport.h). After each
// key the selection goes back to the park item, so every key has a selection to change.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "Clock.h"
#include "CorpusList.h"
#include "TargetReport.h"
#include "support/UniqueHandle.h"

namespace {

struct Options {
    int m_count = 1000;
    std::wstring m_title = L"Skimvue bench target";
    std::wstring m_className = L"SkimvueBenchFrame";
    std::wstring m_report;
};

// The key being handled: its record is written while its messages run.
struct PendingKey {
    int m_slot = -1;
    LARGE_INTEGER m_dequeued{};
    bool m_selected = false;
};

HWND List = nullptr;
WNDPROC ListOwnProc = nullptr;
int ParkedIndex = 0;
TargetReport* Report = nullptr;
PendingKey Key;
void Park() {
    ParkSelection(List, ParkedIndex);
}

void BeginKey(LARGE_INTEGER dequeued, WPARAM character) {
    Key = PendingKey{static_cast<int>(Report->m_keyCount), dequeued, false};
    KeyRecord& record = Report->m_keys[Key.m_slot];
    record.m_character = static_cast<int32_t>(character);
    record.m_selectedItem = -1;
    record.m_selectedMs = -1.0;
    record.m_handledMs = -1.0;
}

void EndKey() {
    Report->m_keys[Key.m_slot].m_handledMs = MsSince(Key.m_dequeued);
    InterlockedIncrement(&Report->m_keyCount);
    Park();
}

// The change that selects the new item ends the key's wait.
void OnItemChanged(const NMLISTVIEW& change) {
    if (Key.m_slot < 0 || Key.m_selected || !SelectsAnotherItem(change, ParkedIndex)) {
        return;
    }
    KeyRecord& record = Report->m_keys[Key.m_slot];
    record.m_selectedMs = MsSince(Key.m_dequeued);
    record.m_selectedItem = change.iItem;
    Key.m_selected = true;
}

void TimeHostOps(int runs) {
    Key.m_slot = -1;
    HostOpTimes& times = Report->m_hostOps;
    times.m_runs = runs < kMaxHostOpRuns ? runs : kMaxHostOpRuns;
    const auto count = static_cast<int>(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0));
    for (int run = 0; run < times.m_runs; ++run) {
        Park();
        LARGE_INTEGER start = Now();
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED;
        SendMessageW(List, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&none));
        times.m_deselectAllMs[run] = MsSince(start);
        start = Now();
        for (int i = 0; i < count; ++i) {
            wchar_t text[261] = {};
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = 260;
            SendMessageW(List, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&item));
        }
        times.m_readAllMs[run] = MsSince(start);
    }
    Park();
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == List && header->code == LVN_ITEMCHANGED) {
            OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        }
        return 0;
    }
    case WM_BENCH_HOST_OPS:
        TimeHostOps(static_cast<int>(wParam));
        return 1;
    case WM_BENCH_IS_ATTACHED:
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(List, GWLP_WNDPROC)) != ListOwnProc;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The title comes last: the benchmark finds the window by it once the list is full.
void CreateList(const Options& options) {
    ListViewHostLook look = CorpusListLook(RECT{40, 40, 620, 540});
    look.m_frameClass = options.m_className;
    look.m_frameProc = FrameProc;
    const ListViewHost host = CreateListViewHost(look);
    List = host.m_list;
    ListOwnProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(List, GWLP_WNDPROC));
    ParkedIndex = ParkIndex(options.m_count);
    const LARGE_INTEGER start = Now();
    SetListNames(List, CorpusListNames(options.m_count));
    Report->m_fillMs = MsSince(start);
    Report->m_itemCount = static_cast<int32_t>(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0));
    Park();
    SendMessageW(List, LVM_ENSUREVISIBLE, static_cast<WPARAM>(ParkedIndex), FALSE);
    SetWindowTextW(host.m_frame, options.m_title.c_str());
}

Options ParseOptions() {
    Options options;
    int argc = 0;
    const unique_argv args(CommandLineToArgvW(GetCommandLineW(), &argc));
    LPWSTR* argv = args.get();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const std::wstring value = argv[i + 1];
        if (name == L"--count") {
            options.m_count = _wtoi(value.c_str());
        } else if (name == L"--title") {
            options.m_title = value;
        } else if (name == L"--class") {
            options.m_className = value;
        } else if (name == L"--report") {
            options.m_report = value;
        }
    }
    return options;
}

TargetReport* OpenReport(const std::wstring& name) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str());
    if (mapping == nullptr) {
        return nullptr;
    }
    // The view outlives the handle; both last as long as the process.
    return static_cast<TargetReport*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(TargetReport)));
}

// Hands every message on, timing the characters typed into the list view.
int RunTimedMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const LARGE_INTEGER dequeued = Now();
        const bool timed =
            msg.message == WM_CHAR && msg.hwnd == List && Report->m_keyCount < kMaxKeyRecords;
        if (timed) {
            BeginKey(dequeued, msg.wParam);
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (timed) {
            EndKey();
        }
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const Options options = ParseOptions();
    Report = OpenReport(options.m_report);
    if (Report == nullptr || options.m_count < 1) {
        return 2;
    }
    CreateList(options);
    return RunTimedMessageLoop();
}
