#include "SettingDlgDriver.h"

#include <commctrl.h>

#include "harness/WinTestSupport.h"
#include "harness/XInput.h"

namespace {

constexpr wchar_t kOwnerClass[] = L"SkimvueTestLauncher";
constexpr UINT kAskAgain = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
// Shorter than the launcher's 200 ms only so that a few ticks pass quickly.
constexpr UINT kTimerPeriod = 50;

CDialogThread* Current = nullptr;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM found) {
    wchar_t className[64] = {};
    GetClassNameW(hWnd, className, 64);
    if (std::wstring(className) == L"#32770" && TextOf(hWnd) != L"Skimvue") {
        *reinterpret_cast<HWND*>(found) = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindMessageBox(HWND hWnd, LPARAM found) {
    wchar_t className[64] = {};
    GetClassNameW(hWnd, className, 64);
    if (std::wstring(className) == L"#32770" && TextOf(hWnd) == L"Skimvue" &&
        IsWindowVisible(hWnd)) {
        *reinterpret_cast<HWND*>(found) = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK RepaintOwnWindow(HWND hWnd, LPARAM) {
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (processId == GetCurrentProcessId() && IsWindowVisible(hWnd)) {
        RedrawWindow(hWnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    return TRUE;
}

} // namespace

CDialogThread::CDialogThread(void (*show)(HWND)) : m_show(show), m_thread([this] { Run(); }) {
    PumpUntil([this] {
        HWND found = nullptr;
        if (m_threadId != 0) {
            EnumThreadWindows(m_threadId, FindDialog, reinterpret_cast<LPARAM>(&found));
        }
        if (found != nullptr && IsWindowVisible(found)) {
            m_hWndDialog = found;
        }
        return m_hWndDialog.load() != nullptr;
    });
    // Visible to Windows is not yet mapped on the X server, where xdotool's input lands.
    if (m_hWndDialog.load() != nullptr) {
        FocusWindow(m_hWndDialog);
    }
}

CDialogThread::~CDialogThread() {
    if (!m_bClosed && m_hWndDialog.load() != nullptr) {
        PostMessageW(m_hWndDialog, WM_COMMAND, IDCANCEL, 0);
    }
    m_thread.join();
}

bool CDialogThread::WaitClosed() {
    return PumpUntil([this] { return m_bClosed.load(); });
}

void CDialogThread::AskAgain() const {
    PostMessageW(m_hWndOwner, kAskAgain, 0, 0);
}

HWND CDialogThread::MessageBox() const {
    HWND found = nullptr;
    EnumThreadWindows(m_threadId, FindMessageBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT CALLBACK CDialogThread::OwnerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        ++Current->m_cTicks;
        return 0;
    }
    if (msg == kAskAgain) {
        Current->m_show(hWnd);
        Current->m_bAskedAgain = true;
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

void CDialogThread::Run() {
    Current = this;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kOwnerClass;
    RegisterClassW(&windowClass);
    unique_hwnd owner(CreateWindowExW(0, kOwnerClass, L"launcher", WS_OVERLAPPED, 0, 0, 10, 10,
                                      nullptr, nullptr, windowClass.hInstance, nullptr));
    m_hWndOwner = owner.get();
    SetTimer(owner.get(), kTimerId, kTimerPeriod, nullptr);
    m_threadId = GetCurrentThreadId();
    m_show(owner.get());
    KillTimer(owner.get(), kTimerId);
    m_bClosed = true;
}

POINT CentreOf(HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

POINT DialogPoint(HWND hDlg, int x, int y) {
    RECT rc{x, y, 0, 0};
    MapDialogRect(hDlg, &rc);
    POINT pt{rc.left, rc.top};
    ClientToScreen(hDlg, &pt);
    return pt;
}

void MoveTo(POINT pt) {
    Xdotool(L"mousemove " + std::to_wstring(pt.x) + L" " + std::to_wstring(pt.y) + L" sleep 0.2");
}

void Screenshot(const std::wstring& name, bool repaint) {
    // Every window of this process paints now, whichever thread owns it; Wine then copies the
    // painted surfaces to the X server on its own schedule, so the picture waits a moment.
    if (repaint) {
        EnumWindows(RepaintOwnWindow, 0);
    }
    PumpMessagesFor(500);
    const std::wstring dir = BinDir().substr(0, BinDir().rfind(L'\\')) + L"\\screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    RunUnixProgram(L"/usr/bin/import", L"-window root " + UnixPath(dir) + L"/" + name);
}

std::wstring TextOf(HWND hWnd) {
    wchar_t text[1024] = {};
    SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring CellText(HWND hWndList, int item, int subItem) {
    wchar_t text[300] = {};
    LVITEMW cell{};
    cell.iSubItem = subItem;
    cell.pszText = text;
    cell.cchTextMax = 300;
    SendMessageW(hWndList, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
    return text;
}

int RowCount(HWND hWndList) {
    return static_cast<int>(SendMessageW(hWndList, LVM_GETITEMCOUNT, 0, 0));
}
