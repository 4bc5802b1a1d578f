// The tray launcher: one instance, an icon in the notification area, and the hook library
// started at once. The library learns of new windows from window events, delivered through this
// thread's message loop; every 200 milliseconds it is asked as well to hook what the events do
// not bring (the windows of list-view rules, a window refused before): a walk of the window tree
// that calls into no other process, with a handshake only for a window not hooked yet.
#include <windows.h>
#include <shellapi.h>

#include "HookLibrary.h"
#include "Resource.h"
#include "support/Barrier.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"

namespace {

constexpr UINT_PTR kHookTimer = 100;
constexpr UINT kHookPeriodMs = 200;
// An icon that could not be added (at logon the taskbar may not be up yet, or too busy to
// answer in time) is tried again this often, for about a minute; a taskbar that comes up later
// announces itself with "TaskbarCreated" anyway.
constexpr UINT_PTR kTrayRetryTimer = 101;
constexpr UINT kTrayRetryPeriodMs = 2000;
constexpr int kTrayRetries = 30;
constexpr UINT kTrayIconId = 1;
constexpr int kTextCapacity = 100;

#ifdef _WIN64
constexpr wchar_t kMutexName[] = L"MUTEX_SKIM_VUE_64";
#else
constexpr wchar_t kMutexName[] = L"MUTEX_SKIM_VUE_32";
#endif

HINSTANCE Instance = nullptr;
// Broadcast to every top-level window when a new taskbar starts, Explorer's restart included.
const UINT TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

const CHookLibrary* Library = nullptr;
class CTrayIcon;
CTrayIcon* Tray = nullptr;

void ShowTrayMenu(HWND window) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const unique_hmenu menu(LoadMenuW(Instance, MAKEINTRESOURCEW(IDM_TRAY)));
    if (!menu) {
        return;
    }
    // A menu of a window that is not in the foreground stays open when the user clicks
    // elsewhere; the posted WM_NULL makes the system switch to it properly, so the next click
    // outside closes it (the documented remedy for notification-area menus).
    SetForegroundWindow(window);
    TrackPopupMenu(GetSubMenu(menu.get(), 0), TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, window,
                   nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
}

void OnTaskbarCreated();
void OnTrayRetry(HWND window);

LRESULT HandleLauncherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TaskbarCreatedMessage && TaskbarCreatedMessage != 0) {
        OnTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam == kHookTimer) {
            // The next tick comes a full period after this one has finished: ticks never pile up.
            KillTimer(window, kHookTimer);
            Library->HookStart(window);
            SetTimer(window, kHookTimer, kHookPeriodMs, nullptr);
        } else if (wParam == kTrayRetryTimer) {
            OnTrayRetry(window);
        }
        return 0;
    case WM_TRAYICON:
        if (lParam == WM_RBUTTONDOWN) {
            ShowTrayMenu(window);
        }
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_SETTINGS:
            Library->ShowSettingDlg(window);
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    case WM_PAINT: {
        // Nothing is drawn; the window is never shown.
        const unique_hdc_paint paint(window);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK LauncherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return Barrier(L"LauncherWndProc", LRESULT{0},
                   [&] { return HandleLauncherMessage(window, message, wParam, lParam); });
}

bool RegisterLauncherClass(const wchar_t* className) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = LauncherWndProc;
    wc.hInstance = Instance;
    wc.hIcon = LoadIconW(Instance, MAKEINTRESOURCEW(IDI_LAUNCHER));
    // The small icon's own image at the size the DPI asks for, rather than the large one shrunk.
    wc.hIconSm = static_cast<HICON>(LoadImageW(Instance, MAKEINTRESOURCEW(IDI_LAUNCHER_SMALL),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDM_CLASS_MENU);
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0;
}

// The notification area shows small icons at the system DPI: 16 pixels at 100 %, 24 at 150 %.
HICON LoadTrayIcon() {
    return static_cast<HICON>(LoadImageW(Instance, MAKEINTRESOURCEW(IDI_LAUNCHER_SMALL), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

// The icon in the notification area, removed again when the launcher ends.
class CTrayIcon {
  public:
    CTrayIcon(HWND window, const wchar_t* tip) : m_icon(LoadTrayIcon()) {
        m_data.cbSize = sizeof(m_data);
        m_data.hWnd = window;
        m_data.uID = kTrayIconId;
        m_data.uFlags = NIF_MESSAGE | NIF_TIP | (m_icon ? NIF_ICON : 0);
        m_data.uCallbackMessage = WM_TRAYICON;
        m_data.hIcon = m_icon.get();
        lstrcpynW(m_data.szTip, tip, ARRAYSIZE(m_data.szTip));
        // An elevated launcher would not hear the broadcast of an ordinary Explorer otherwise.
        ChangeWindowMessageFilterEx(window, TaskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
        Add();
        Tray = this;
    }
    ~CTrayIcon() {
        Tray = nullptr;
        for (int attempt = 0; attempt < 2 && m_added; ++attempt) {
            m_added = Shell_NotifyIconW(NIM_DELETE, &m_data) == FALSE;
        }
    }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // A new taskbar knows none of the old one's icons.
    void Readd() {
        m_added = false;
        m_retries = 0;
        Add();
    }
    // Called by the retry timer; the timer stops once the icon is in or the tries are spent.
    bool Retry() { return Add() || ++m_retries >= kTrayRetries; }

  private:
    // An add that timed out may still have reached the taskbar, which then refuses a second
    // add of the same icon; modifying it tells that it is there.
    bool Add() {
        m_added = m_added || Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE ||
                  Shell_NotifyIconW(NIM_MODIFY, &m_data) != FALSE;
        if (!m_added) {
            SetTimer(m_data.hWnd, kTrayRetryTimer, kTrayRetryPeriodMs, nullptr);
        }
        return m_added;
    }

    unique_hicon m_icon;
    NOTIFYICONDATAW m_data{};
    bool m_added = false;
    int m_retries = 0;
};

void OnTaskbarCreated() {
    if (Tray != nullptr) {
        Tray->Readd();
    }
}

void OnTrayRetry(HWND window) {
    if (Tray == nullptr || Tray->Retry()) {
        KillTimer(window, kTrayRetryTimer);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    Instance = instance;
    wchar_t title[kTextCapacity] = {};
    wchar_t className[kTextCapacity] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, kTextCapacity);
    LoadStringW(instance, IDS_WINDOW_CLASS, className, kTextCapacity);
    RegisterLauncherClass(className);

    // One launcher per word size; a second start (even one racing the first) ends quietly.
    if (const unique_handle running(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kMutexName)); running) {
        return 0;
    }
    const unique_handle mutex(CreateMutexW(nullptr, FALSE, kMutexName));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        return 0;
    }
    CHookLibrary library;
    if (!library.Load()) {
        return 1;
    }
    Library = &library;
    HWND window = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    int exitCode = 0;
    {
        const CTrayIcon tray(window, title);
        library.HookStart(window);
        SetTimer(window, kHookTimer, kHookPeriodMs, nullptr);
        exitCode = RunMessageLoop();
        library.HookEnd();
    }
    return exitCode;
}
