#include "ShellTarget.h"

#include <commctrl.h>

#include "BenchTarget.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "support/WindowIdentity.h"

namespace {

// Wine's file browser's frame, and a dialog's.
constexpr wchar_t kBrowserFrame[] = L"ExplorerWClass";
constexpr wchar_t kDialogFrame[] = L"#32770";
// Reading 100,000 names through the shell takes long under Wine.
constexpr DWORD kReadAllTimeoutMs = 300000;

struct FrameSearch {
    DWORD m_processId;
    const wchar_t* m_className;
    HWND m_found;
};

BOOL CALLBACK FindFrameProc(HWND window, LPARAM lParam) {
    auto& search = *reinterpret_cast<FrameSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search.m_processId && IsWindowVisible(window) &&
        ReadClassName(window) == search.m_className) {
        search.m_found = window;
        return FALSE;
    }
    return TRUE;
}

// The shell view's item window: a SysListView32 whose parent is SHELLDLL_DefView.
BOOL CALLBACK FindItemWindowProc(HWND window, LPARAM lParam) {
    if (ReadClassName(window) == L"SysListView32" &&
        ReadClassName(GetParent(window)) == L"SHELLDLL_DefView") {
        *reinterpret_cast<HWND*>(lParam) = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring NextTitle() {
    static int s_serial = 0;
    return L"Skimvue bench dialog " + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++s_serial);
}

} // namespace

CShellTarget::CShellTarget(ShellView view, const std::wstring& folder, HMODULE probe)
    : m_view(view), m_probe(probe), m_title(NextTitle()) {
    m_mapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       sizeof(ShellReport), kShellReportName));
    if (!m_mapping) {
        return;
    }
    m_mapped.reset(MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(ShellReport)));
    m_report = static_cast<ShellReport*>(m_mapped.get());
    if (m_report == nullptr) {
        return;
    }
    *m_report = ShellReport{};
    // A 32-bit program asking for explorer.exe gets the 32-bit one (WOW64 file redirection), so
    // the view and the library have one word size.
    std::wstring commandLine = view == ShellView::kBrowser
                                   ? L"explorer.exe \"" + folder + L"\""
                                   : L"\"" + BinDir() +
                                         L"\\skimvue_bench_dialog.exe\" --folder \"" + folder +
                                         L"\" --title \"" + m_title + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    m_started = GetTickCount();
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       BinDir().c_str(), &startup, &info)) {
        m_process.reset(info.hProcess);
        const unique_handle thread(info.hThread);
    }
}

CShellTarget::~CShellTarget() {
    m_getMessageHook.reset();
    m_callWndProcHook.reset();
    // Closed, not ended: Wine's file browser registers its window with the desktop's shell
    // windows, and a later explorer.exe for the same folder finds a registration that an ended
    // process left behind and quits at once in favour of that window.
    if (m_top != nullptr) {
        PostMessageW(m_top, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_process.get(), 10000);
    }
    if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.get(), 9);
        WaitForSingleObject(m_process.get(), 10000);
    }
}

bool CShellTarget::FindWindows() {
    FrameSearch search{GetProcessId(m_process.get()),
                       m_view == ShellView::kBrowser ? kBrowserFrame : kDialogFrame, nullptr};
    EnumWindows(FindFrameProc, reinterpret_cast<LPARAM>(&search));
    m_top = search.m_found;
    if (m_top != nullptr) {
        EnumChildWindows(m_top, FindItemWindowProc, reinterpret_cast<LPARAM>(&m_list));
    }
    return m_list != nullptr;
}

int CShellTarget::ItemCount() const {
    DWORD_PTR count = 0;
    return SendMessageTimeoutW(m_list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 1000, &count) != 0
               ? static_cast<int>(count)
               : -1;
}

bool CShellTarget::StartProbe() {
    const DWORD thread = GetWindowThreadProcessId(m_list, nullptr);
    const auto getMessage = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(m_probe, "ProbeGetMessage")));
    const auto callWndProc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(m_probe, "ProbeCallWndProc")));
    if (getMessage == nullptr || callWndProc == nullptr) {
        return false;
    }
    m_report->m_list = m_list;
    m_getMessageHook.reset(SetWindowsHookExW(WH_GETMESSAGE, getMessage, m_probe, thread));
    m_callWndProcHook.reset(SetWindowsHookExW(WH_CALLWNDPROC, callWndProc, m_probe, thread));
    // The probe starts at the first message the thread takes from its queue.
    PostMessageW(m_list, WM_NULL, 0, 0);
    return m_getMessageHook && m_callWndProcHook &&
           PumpUntil([this] { return m_report->m_ready != 0; }, 30000);
}

std::string CShellTarget::WaitReady(int items, DWORD timeoutMs) {
    if (!m_process || m_report == nullptr) {
        return "the view did not start";
    }
    if (!PumpUntil([this] { return FindWindows(); }, 60000)) {
        if (WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(m_process.get(), &code);
            return "the view's process ended at its start (exit code " + std::to_string(code) + ")";
        }
        return m_top == nullptr ? "the view's process showed no frame"
                                : "no item window under SHELLDLL_DefView appeared";
    }
    int listed = 0;
    if (!PumpUntil([&] { return (listed = ItemCount()) >= items; }, timeoutMs)) {
        return "the view listed " + std::to_string(listed) + " of " + std::to_string(items) +
               " files within " + std::to_string(timeoutMs / 1000) + " s";
    }
    m_listedMs = static_cast<double>(GetTickCount() - m_started);
    if (!StartProbe()) {
        return "the probe did not start in the view's thread";
    }
    return m_report->m_parkIndex >= 0 ? "" : "the view has no park item";
}

bool CShellTarget::AskProbe() const {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(m_list, RegisterWindowMessageW(kShellQueryMessage), 0, 0,
                               SMTO_NORMAL, 10000, &answer) != 0;
}

double CShellTarget::ReadAllMs() const {
    m_report->m_readAllMs = -1;
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(m_list, RegisterWindowMessageW(kShellReadAllMessage), 0, 0, SMTO_NORMAL,
                        kReadAllTimeoutMs, &answer);
    return m_report->m_readAllMs;
}

bool CShellTarget::IsAttached() const {
    return AskProbe() && m_report->m_attached != 0;
}

std::vector<KeyRecord> CShellTarget::Type(const std::wstring& text, DWORD typeDelayMs,
                                          DWORD keyTimeoutMs) {
    return TypeKeys([this] { return FocusWindow(m_top) && AskProbe(); }, m_report->m_keyCount,
                    m_report->m_keys, text, typeDelayMs, keyTimeoutMs);
}
