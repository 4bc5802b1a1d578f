#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "MigemoTestSupport.h"
#include "harness/Process.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"
#include "support/WindowIdentity.h"

namespace {

#if SKIMVUE_BITS == 64
constexpr wchar_t kLauncher[] = L"Skimvue64.exe";
constexpr wchar_t kSettings[] = L"Skimvue64.ini";
#else
constexpr wchar_t kLauncher[] = L"Skimvue.exe";
constexpr wchar_t kSettings[] = L"Skimvue.ini";
#endif
constexpr UINT kExitCommand = 105;
constexpr UINT kSettingsCommand = 32772;
// Controls of the settings dialog.
constexpr int kEnableLengthEdit = 1004;
constexpr int kInputIntervalEdit = 1005;
constexpr int kAutoPopDelayEdit = 1026;
constexpr int kOkButton = 1024;
constexpr int kOnFileDialogCheck = 1029;
constexpr int kFileDialogExcludeEdit = 1031;

struct Rule {
    std::string m_cls, m_exe, m_root, m_owner;
};

// A target program: a top-level window with a list view of known names, in its own process.
struct Target {
    CProcess m_process;
    HWND m_frame = nullptr;
    HWND m_list = nullptr;
};

class EndToEnd : public ::testing::Test {
  protected:
    void TearDown() override {
        for (Target& target : m_targets) {
            target.m_process.Kill();
        }
        m_launcher.Kill();
        DeleteFileW((BinDir() + L"\\" + kSettings).c_str());
    }

    // Into the settings file beside the library in dir; general: further lines of the section,
    // each ending in "\r\n".
    static void WriteRules(const std::vector<Rule>& rules, const std::wstring& dir = BinDir(),
                           const std::string& general = "") {
        std::string text =
            "[General]\r\nEnableOnExplorer=0\r\nEnableOnListView=1\r\nNumberOfTargetListView=" +
            std::to_string(rules.size()) + "\r\n" + general;
        for (size_t i = 0; i < rules.size(); ++i) {
            const std::string key = "TargetListView[" + std::to_string(i) + "].";
            text += key + "ClsName=" + rules[i].m_cls + "\r\n" + key + "ExeName=" + rules[i].m_exe +
                    "\r\n" + key + "RootClsName=" + rules[i].m_root + "\r\n" + key +
                    "RootOwnerClsName=" + rules[i].m_owner + "\r\n";
        }
        const std::wstring path = dir + L"\\" + kSettings;
        WriteFileBytes(path, text);
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    }

    // binDir: where the target program lies (the other word size's build has one too).
    Target& StartTarget(const std::wstring& title, const std::wstring& extra = L"",
                        const std::wstring& binDir = BinDir()) {
        Target target;
        target.m_process = CProcess(L"\"" + binDir + L"\\skimvue_target.exe\" --title \"" + title +
                                    L"\" " + extra);
        PumpUntil([&] { return (target.m_frame = FindWindowW(nullptr, title.c_str())) != nullptr; },
                  10000);
        target.m_list = target.m_frame ? GetWindow(target.m_frame, GW_CHILD) : nullptr;
        m_targets.push_back(std::move(target));
        return m_targets.back();
    }

    void StartLauncher() { m_launcher = CProcess(L"\"" + BinDir() + L"\\" + kLauncher + L"\""); }

    // The target tells whether its list view runs another procedure than its own.
    static bool IsAttached(const Target& target) {
        return GetPropW(target.m_frame, L"SkimvueAttached") != nullptr;
    }
    static bool WaitAttached(const Target& target, DWORD timeoutMs = 8000) {
        return PumpUntil([&] { return IsAttached(target); }, timeoutMs);
    }
    // How many attach handshakes reached the target's list view.
    static INT_PTR AttachOffers(const Target& target) {
        return reinterpret_cast<INT_PTR>(GetPropW(target.m_frame, L"SkimvueAttachOffers"));
    }

    static std::vector<int> Selected(HWND list) {
        std::vector<int> selected;
        for (auto i = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
             i != -1;
             i = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)) {
            selected.push_back(static_cast<int>(i));
        }
        return selected;
    }
    // The target works through typed keys at its own pace (slowly on a loaded machine), and a
    // selection read while it moves can mix the old and the new: wait for the expected one.
    static std::vector<int> SelectionSettled(HWND list, const std::vector<int>& expected) {
        std::vector<int> selected;
        PumpUntil([&] { return (selected = Selected(list)) == expected; }, 10000);
        return selected;
    }
    // The target marks every character its list view receives with a "+" in its title.
    static size_t CharsSeen(const Target& target) {
        wchar_t title[256] = {};
        GetWindowTextW(target.m_frame, title, 256);
        const std::wstring text(title);
        return static_cast<size_t>(std::count(text.begin(), text.end(), L'+'));
    }
    static void TypeInto(const Target& target, const std::wstring& text) {
        ASSERT_TRUE(FocusWindow(target.m_frame));
        ASSERT_TRUE(Xdotool(L"type --delay 60 " + text));
        PumpMessagesFor(300);
    }

    // The exit command of the tray icon's menu. The icon's callback message is posted as a
    // right click would send it; the real menu opens and its last item is clicked. A loaded
    // machine may start the launcher late or lose the click on a menu still being placed, so
    // the menu is asked for again a few times before the test gives up.
    bool ExitFromTrayMenu() {
        HWND launcher = nullptr;
        PumpUntil([&] { return (launcher = FindWindowW(L"SKIMVUE", nullptr)) != nullptr; }, 10000);
        for (int attempt = 0; launcher != nullptr && attempt < 3; ++attempt) {
            PostMessageW(launcher, WM_TRAYICON, 1, WM_RBUTTONDOWN);
            HWND menu = nullptr;
            PumpUntil([&] {
                return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu);
            });
            if (menu != nullptr && IsWindowVisible(menu)) {
                PumpMessagesFor(200);
                RECT rect{};
                GetWindowRect(menu, &rect);
                ClickAt(POINT{(rect.left + rect.right) / 2, rect.bottom - 8});
            }
            if (m_launcher.WaitExit(5000) == 0) {
                return true;
            }
            if (menu != nullptr && IsWindowVisible(menu)) {
                Xdotool(L"key Escape");
            }
        }
        return false;
    }

    std::vector<Target> m_targets;
    CProcess m_launcher;
};

const Rule kTargetRule{"SysListView32", "skimvue_target.exe", "SkimvueTargetFrame", "*"};

TEST_F(EndToEnd, TypingInATargetSelectsAndTheExitCommandDetaches) {
    m_targets.reserve(2);
    WriteRules({kTargetRule});
    Target& target = StartTarget(L"e2e typing");
    StartLauncher();
    ASSERT_TRUE(WaitAttached(target));

    TypeInto(target, L"mma");
    EXPECT_EQ(SelectionSettled(target.m_list, {2}), (std::vector<int>{2}));
    EXPECT_EQ(CharsSeen(target), 0u);

    ASSERT_TRUE(ExitFromTrayMenu());
    PumpMessagesFor(200);
    EXPECT_FALSE(IsAttached(target));
    TypeInto(target, L"lps");
    EXPECT_TRUE(PumpUntil([&] { return CharsSeen(target) == 3u; }, 10000));
    EXPECT_EQ(SelectionSettled(target.m_list, {2}), (std::vector<int>{2}));
}

// A host that exits with its view attached exits at once with its own code, whether the library's
// worker is still loading (right after the attach) or a tip is on screen (after a search). On
// the way out the library sends no window a message: its tip, controller and COM objects belong
// to the exiting process, and tearing them down under the loader lock could hang the exit.
TEST_F(EndToEnd, AHostThatExitsWhileAttachedExitsAtOnceWithItsOwnCode) {
    constexpr UINT kExitNow = WM_APP + 60;
    m_targets.reserve(2);
    WriteRules({kTargetRule}, BinDir(), "ShowToolTip=1\r\n");
    const CTempDir logs(L"skimvue-exit-logs");
    StartLauncher();
    for (const bool searched : {false, true}) {
        SCOPED_TRACE(searched ? "after a search" : "right after the attach");
        const std::wstring log = logs.Path() + (searched ? L"\\searched.log" : L"\\attached.log");
        Target& target = StartTarget(searched ? L"e2e exit searched" : L"e2e exit attached",
                                     L"--exit-log \"" + log + L"\"");
        ASSERT_TRUE(WaitAttached(target));
        if (searched) {
            TypeInto(target, L"bet");
            EXPECT_EQ(SelectionSettled(target.m_list, {1}), (std::vector<int>{1}));
        }
        const DWORD start = GetTickCount();
        PostMessageW(target.m_frame, kExitNow, 42, 0);
        EXPECT_EQ(target.m_process.WaitExit(5000), 42u);
        const DWORD elapsed = GetTickCount() - start;
        std::printf("exited %lu ms after it was asked to\n", elapsed);
        EXPECT_LT(elapsed, 1000u);
        EXPECT_EQ(ReadFileBytes(log), "");
    }
}

TEST_F(EndToEnd, RomajiSelectsAJapaneseName) {
    WriteRules({kTargetRule});
    Target& target = StartTarget(L"e2e romaji");
    StartLauncher();
    ASSERT_TRUE(WaitAttached(target));
    TypeInto(target, L"kensaku");
    EXPECT_EQ(SelectionSettled(target.m_list, {4}), (std::vector<int>{4}));
    ASSERT_TRUE(Xdotool(L"key Escape"));
    TypeInto(target, L"nihon");
    EXPECT_EQ(SelectionSettled(target.m_list, {5}), (std::vector<int>{5}));
}

TEST_F(EndToEnd, WindowOpenedAfterTheLauncherStartedIsHooked) {
    m_targets.reserve(2);
    WriteRules({kTargetRule});
    StartLauncher();
    PumpMessagesFor(1000);
    Target& late = StartTarget(L"e2e late");
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitAttached(late));
    std::printf("attached %lu ms after its window appeared\n", GetTickCount() - start);
    TypeInto(late, L"bet");
    EXPECT_EQ(SelectionSettled(late.m_list, {1}), (std::vector<int>{1}));
}

TEST_F(EndToEnd, SecondLauncherEndsAtOnceWithZero) {
    WriteRules({kTargetRule});
    StartLauncher();
    PumpUntil([] { return FindWindowW(L"SKIMVUE", nullptr) != nullptr; }, 5000);
    CProcess second(L"\"" + BinDir() + L"\\" + kLauncher + L"\"");
    EXPECT_EQ(second.WaitExit(5000), 0u);
    EXPECT_EQ(WaitForSingleObject(m_launcher.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// The first four rules would each find the plain target's list but for the letter case of one
// field (its root owner is its own frame). The last, with a "*" root as three of them, finds the
// owned target's list through the exact values of the fields they spell differently; the exact
// named root is kTargetRule's.
TEST_F(EndToEnd, RulesCompareEveryFieldCaseSensitively) {
    m_targets.reserve(2);
    WriteRules({{"syslistview32", "skimvue_target.exe", "*", "*"},
                {"SysListView32", "SKIMVUE_TARGET.EXE", "*", "*"},
                {"SysListView32", "skimvue_target.exe", "skimvuetargetframe", "*"},
                {"SysListView32", "skimvue_target.exe", "*", "skimvuetargetframe"},
                {"SysListView32", "skimvue_target.exe", "*", "SkimvueTargetOwner"}});
    Target& plain = StartTarget(L"e2e plain");
    Target& owned = StartTarget(L"e2e owned", L"--owner --class OwnedFrame");
    StartLauncher();
    ASSERT_TRUE(WaitAttached(owned));
    PumpMessagesFor(1000);
    EXPECT_FALSE(IsAttached(plain));
    EXPECT_EQ(AttachOffers(plain), 0);
}

// The library of one word size can never load into a process of the other, so the launcher
// never offers such a window the handshake, while a target of its own word size attaches. The
// executable's name reads across word sizes (a 32-bit process cannot list a 64-bit one's
// modules).
TEST_F(EndToEnd, WindowsOfTheOtherWordSizeAreNamedButNeverOffered) {
    const std::wstring otherBin = SKIMVUE_OTHER_BIN_DIR;
    if (GetFileAttributesW((otherBin + L"\\skimvue_target.exe").c_str()) ==
        INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "the other word size is not built";
    }
    m_targets.reserve(2);
    WriteRules({kTargetRule});
    Target& other = StartTarget(L"e2e other word size", L"", otherBin);
    if (other.m_frame == nullptr) {
        GTEST_SKIP() << "this machine cannot run programs of the other word size";
    }
    Target& own = StartTarget(L"e2e own word size");
    EXPECT_EQ(ReadExeName(other.m_list), L"skimvue_target.exe");
    EXPECT_FALSE(HasOwnWordSize(other.m_list));
    EXPECT_TRUE(HasOwnWordSize(own.m_list));
    StartLauncher();
    ASSERT_TRUE(WaitAttached(own));
    EXPECT_EQ(AttachOffers(own), 1);
    PumpMessagesFor(1500);
    EXPECT_EQ(AttachOffers(other), 0);
    EXPECT_FALSE(IsAttached(other));
}

// The launcher's icon as the notification area knows it: modifying an icon succeeds only while
// the taskbar has it.
bool HasTrayIcon(HWND launcher) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = launcher;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

HWND WaitLauncherWindow() {
    HWND launcher = nullptr;
    PumpUntil([&] { return (launcher = FindWindowW(L"SKIMVUE", nullptr)) != nullptr; }, 10000);
    return launcher;
}

struct ViewSearch {
    DWORD m_processId;
    HWND m_items;
};

BOOL CALLBACK FindViewItemsIn(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ViewSearch*>(param);
    if (ReadClassName(window) == L"SysListView32" &&
        ReadClassName(GetParent(window)) == L"SHELLDLL_DefView") {
        search->m_items = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindDialogView(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ViewSearch*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->m_processId && ReadClassName(window) == L"#32770") {
        EnumChildWindows(window, FindViewItemsIn, param);
    }
    return search->m_items == nullptr;
}

// The item window of the shell view in a dialog of the process, once it lists count items.
HWND WaitDialogView(DWORD processId, LRESULT count) {
    ViewSearch search{processId, nullptr};
    PumpUntil(
        [&] {
            EnumWindows(FindDialogView, reinterpret_cast<LPARAM>(&search));
            return search.m_items != nullptr &&
                   SendMessageW(search.m_items, LVM_GETITEMCOUNT, 0, 0) == count;
        },
        10000);
    return search.m_items;
}

// A time the target stamped, in microseconds, once it is there.
INT_PTR TargetStamp(const Target& target, const wchar_t* name) {
    INT_PTR stamp = 0;
    PumpUntil(
        [&] { return (stamp = reinterpret_cast<INT_PTR>(GetPropW(target.m_frame, name))) != 0; });
    return stamp - 1;
}

// Every program's Open dialog is searched once the setting is on, from the first key typed as
// soon as its view is there, dialog after dialog: the window event brings each view to the
// launcher at once, not at the timer's next pass. The view is attached within 50 ms, or before
// the dialog has looked at its queue at all (a dialog still setting itself up answers the
// handshake only then), so no key reaches it first. "mma" is found inside a name, which the
// list view's own type-ahead (by prefix) never selects.
TEST_F(EndToEnd, EveryFileDialogIsSearchedFromTheFirstKeyTypedOnceItsViewIsThere) {
    constexpr UINT kOpenFileDialog = WM_APP + 61;
    const CTempDir folder(L"skimvue-e2e-dialog");
    for (const wchar_t* name : {L"alpha.txt", L"beta.txt", L"gamma.txt"}) {
        WriteFileBytes(folder.Path() + L"\\" + name, "x");
    }
    WriteRules({}, BinDir(), "EnableOnFileDialog=1\r\n");
    StartLauncher();
    ASSERT_NE(WaitLauncherWindow(), nullptr);
    PumpMessagesFor(500);
    Target& target = StartTarget(L"e2e file dialog", L"--file-dialog \"" + folder.Path() + L"\"");
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        const HWND items = WaitDialogView(target.m_process.Id(), 3);
        ASSERT_NE(items, nullptr);
        const HWND dialog = GetAncestor(items, GA_ROOT);
        RECT list{};
        GetWindowRect(items, &list);
        ASSERT_TRUE(FocusWindow(dialog));
        // An empty corner of the list: the click gives it the focus and selects nothing. A point
        // of its own each time: xdotool waits for a pointer already there to move.
        ASSERT_TRUE(ClickAt(POINT{list.right - 10 - 2 * run, list.bottom - 12}));
        ASSERT_TRUE(Xdotool(L"type --delay 60 mma"));
        EXPECT_EQ(SelectionSettled(items, {2}), (std::vector<int>{2}));

        const INT_PTR attachedUs = TargetStamp(target, L"SkimvueAttachDelayUs");
        const INT_PTR idleUs = TargetStamp(target, L"SkimvueDialogIdleUs");
        std::printf("dialog %d: its view was attached %.1f ms after its window was created; the "
                    "dialog was idle first after %.1f ms\n",
                    run, attachedUs / 1000.0, idleUs / 1000.0);
        EXPECT_GE(attachedUs, 0);
        EXPECT_LT(attachedUs, std::max<INT_PTR>(50000, idleUs));

        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 10000));
        PostMessageW(target.m_frame, kOpenFileDialog, 0, 0);
    }
}

// A restarted Explorer has a new notification area without the old icons, and announces it to
// every top-level window with the registered message "TaskbarCreated".
TEST_F(EndToEnd, ANewTaskbarGetsTheTrayIconAgain) {
    WriteRules({});
    StartLauncher();
    const HWND launcher = WaitLauncherWindow();
    ASSERT_NE(launcher, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return HasTrayIcon(launcher); }));

    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = launcher;
    data.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(HasTrayIcon(launcher));
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return HasTrayIcon(launcher); }));
}

// A taskbar that is not ready yet, as at logon: Shell_NotifyIconW hands each request to the
// window of class "Shell_TrayWnd" as WM_COPYDATA, and this one refuses them all. It is found
// before the real one while it exists, being the newest.
class CRefusingTaskbar {
  public:
    CRefusingTaskbar() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&wc);
        s_requests = 0;
        m_window.reset(CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                       nullptr, wc.hInstance, nullptr));
    }
    static int Requests() { return s_requests; }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            ++s_requests;
            return FALSE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static inline int s_requests = 0;
    unique_hwnd m_window;
};

TEST_F(EndToEnd, AnIconTheTaskbarRefusedAtStartIsAddedOnceItAnswers) {
    WriteRules({});
    auto taskbar = std::make_unique<CRefusingTaskbar>();
    StartLauncher();
    const HWND launcher = WaitLauncherWindow();
    ASSERT_NE(launcher, nullptr);
    ASSERT_TRUE(PumpUntil([] { return CRefusingTaskbar::Requests() > 0; }, 10000));
    taskbar.reset();
    EXPECT_FALSE(HasTrayIcon(launcher));
    EXPECT_TRUE(PumpUntil([&] { return HasTrayIcon(launcher); }, 8000));
}

struct DialogSearch {
    DWORD m_processId;
    HWND m_found;
};

BOOL CALLBACK FindSettingsDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    wchar_t className[16] = {};
    DWORD processId = 0;
    GetClassNameW(window, className, 16);
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->m_processId && std::wstring(className) == L"#32770" &&
        IsWindowVisible(window) && GetDlgItem(window, kOkButton) != nullptr) {
        search->m_found = window;
        return FALSE;
    }
    return TRUE;
}

// The settings dialog of the launcher, opened through its settings command.
HWND OpenSettingsDialog(HWND launcher) {
    DialogSearch search{0, nullptr};
    GetWindowThreadProcessId(launcher, &search.m_processId);
    PostMessageW(launcher, WM_COMMAND, kSettingsCommand, 0);
    PumpUntil(
        [&] {
            EnumWindows(FindSettingsDialog, reinterpret_cast<LPARAM>(&search));
            return search.m_found != nullptr;
        },
        10000);
    return search.m_found;
}

// A control of another process is read and written through its messages.
std::wstring TextShown(HWND dialog, int id) {
    wchar_t text[256] = {};
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring EnableLengthShown(HWND dialog) {
    return TextShown(dialog, kEnableLengthEdit);
}

bool Checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The launcher installed as users install it: its two files alone under Program Files (the
// native one, which a 32-bit process is told only through ProgramW6432), so its settings go to
// a per-user folder under the application-data folder.
class InstalledLauncher : public EndToEnd {
  protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH] = {};
        ASSERT_GT(GetEnvironmentVariableW(L"ProgramW6432", folder, MAX_PATH), 0u);
        m_installDir = std::wstring(folder) + L"\\SkimvueInstalled";
        ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, FALSE));
        m_userDir = std::wstring(folder) + L"\\SkimvueInstalled";
        RemoveTree(m_installDir);
        RemoveTree(m_userDir);
        ASSERT_TRUE(CreateDirectoryW(m_installDir.c_str(), nullptr));
        for (const wchar_t* file : {kLauncher, SKIMVUE_DLL_FILE}) {
            ASSERT_TRUE(CopyFileW((BinDir() + L"\\" + file).c_str(),
                                  (m_installDir + L"\\" + file).c_str(), FALSE));
        }
    }
    void TearDown() override {
        EndToEnd::TearDown();
        RemoveTree(m_installDir);
        RemoveTree(m_userDir);
    }
    HWND StartInstalled() {
        m_launcher = CProcess(L"\"" + m_installDir + L"\\" + kLauncher + L"\"");
        return WaitLauncherWindow();
    }
    bool ExitInstalled(HWND launcher) {
        PostMessageW(launcher, WM_COMMAND, kExitCommand, 0);
        return m_launcher.WaitExit(10000) == 0;
    }

    std::wstring m_installDir, m_userDir;
};

TEST_F(InstalledLauncher, SettingsSavedInTheDialogAreThereAfterARestart) {
    const std::wstring exclude = L"notepad.exe; \u30e1\u30e2.exe";
    HWND launcher = StartInstalled();
    ASSERT_NE(launcher, nullptr);
    HWND dialog = OpenSettingsDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(EnableLengthShown(dialog), L"3");
    EXPECT_FALSE(Checked(dialog, kOnFileDialogCheck));
    EXPECT_EQ(TextShown(dialog, kFileDialogExcludeEdit), L"");
    SendMessageW(GetDlgItem(dialog, kEnableLengthEdit), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"5"));
    SendMessageW(GetDlgItem(dialog, kOnFileDialogCheck), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(GetDlgItem(dialog, kFileDialogExcludeEdit), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(exclude.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kOkButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kOkButton)));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 10000));
    ASSERT_TRUE(ExitInstalled(launcher));

    const std::wstring saved = m_userDir + L"\\" + kSettings;
    EXPECT_NE(ReadUtf16File(saved).find(L"EnableLength=5\r\n"), std::wstring::npos);
    EXPECT_NE(ReadUtf16File(saved).find(L"EnableOnFileDialog=1\r\n"), std::wstring::npos);
    EXPECT_EQ(GetFileAttributesW((m_installDir + L"\\" + kSettings).c_str()),
              INVALID_FILE_ATTRIBUTES);

    launcher = StartInstalled();
    ASSERT_NE(launcher, nullptr);
    dialog = OpenSettingsDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(EnableLengthShown(dialog), L"5");
    EXPECT_TRUE(Checked(dialog, kOnFileDialogCheck));
    EXPECT_EQ(TextShown(dialog, kFileDialogExcludeEdit), exclude);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_TRUE(ExitInstalled(launcher));
}

// A window of another process that still handles its messages.
bool Answers(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

// The number a field of the dialog shows, or -1 when it shows none.
long long NumberShown(HWND dialog, int id) {
    wchar_t text[32] = {};
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text));
    wchar_t* end = nullptr;
    const long long number = std::wcstoll(text, &end, 10);
    return end == text || *end != L'\0' ? -1 : number;
}

// Opens the launcher's settings dialog, checks that each number shows within the range it acts
// in, and cancels.
void ExpectDialogShowsValuesInRange(HWND launcher) {
    const HWND dialog = OpenSettingsDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    const long long enableLength = NumberShown(dialog, kEnableLengthEdit);
    const long long interval = NumberShown(dialog, kInputIntervalEdit);
    const long long delay = NumberShown(dialog, kAutoPopDelayEdit);
    EXPECT_TRUE(enableLength >= 2 && enableLength <= INT32_MAX) << enableLength;
    EXPECT_TRUE(interval >= 0 && interval <= INT32_MAX) << interval;
    EXPECT_TRUE(delay >= 0 && delay <= INT32_MAX) << delay;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 10000));
}

// Any process that maps the library can write the shared block. A probe writes extreme values
// into every field of it for a few seconds, while keys (the bindings too) are typed into an
// attached list view, another target is attached and the launcher's settings dialog opens.
TEST_F(EndToEnd, ExtremeValuesWrittenIntoTheSharedBlockHarmNoProcess) {
    m_targets.reserve(2);
    WriteRules({kTargetRule});
    Target& target = StartTarget(L"e2e extremes");
    StartLauncher();
    const HWND launcher = WaitLauncherWindow();
    ASSERT_NE(launcher, nullptr);
    ASSERT_TRUE(WaitAttached(target));

    const unique_handle stop(CreateEventW(nullptr, TRUE, FALSE, L"SkimvueE2eStopStorm"));
    ASSERT_TRUE(stop);
    CProcess probe(L"\"" + ProbePath() + L"\" shared-storm \"" + LibraryPath() +
                   L"\" SkimvueE2eStopStorm");
    ASSERT_NE(probe.Handle(), nullptr);
    PumpMessagesFor(300);
    Target& late = StartTarget(L"e2e extremes late");
    ASSERT_TRUE(FocusWindow(target.m_frame));
    ASSERT_TRUE(Xdotool(L"type --delay 40 ^alp"));
    ASSERT_TRUE(Xdotool(L"key --delay 40 alt+n alt+b shift+alt+n alt+s ctrl+n Escape"));
    ASSERT_TRUE(Xdotool(L"type --delay 40 mma"));
    ExpectDialogShowsValuesInRange(launcher);
    ExpectDialogShowsValuesInRange(launcher);
    ASSERT_EQ(WaitForSingleObject(probe.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the probe stopped writing before the keys and the dialogs were through";
    SetEvent(stop.get());
    ASSERT_EQ(probe.WaitExit(10000), 0u);

    EXPECT_TRUE(Answers(target.m_list));
    EXPECT_TRUE(Answers(launcher));
    EXPECT_TRUE(WaitAttached(late));
    // The probe has put the launcher's values back: the search works as before.
    ASSERT_TRUE(FocusWindow(target.m_frame));
    ASSERT_TRUE(Xdotool(L"key Escape"));
    TypeInto(target, L"bet");
    EXPECT_EQ(SelectionSettled(target.m_list, {1}), (std::vector<int>{1}));
    EXPECT_EQ(WaitForSingleObject(m_launcher.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(EndToEnd, KilledLauncherLeavesTheTargetWorkingAndANewOneAdoptsIt) {
    m_targets.reserve(2);
    WriteRules({kTargetRule});
    Target& target = StartTarget(L"e2e killed");
    StartLauncher();
    ASSERT_TRUE(WaitAttached(target));
    m_launcher.Kill();

    TypeInto(target, L"alps");
    EXPECT_EQ(SelectionSettled(target.m_list, {6}), (std::vector<int>{6}));

    StartLauncher();
    PumpMessagesFor(1500);
    ASSERT_TRUE(ExitFromTrayMenu());
    PumpMessagesFor(200);
    EXPECT_FALSE(IsAttached(target));

    PostMessageW(target.m_frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(target.m_process.WaitExit(10000), 0u);
}

// The launcher, the library, migemo.dll and its dictionary installed together in a folder of the
// issue's kinds: the target survives the attach and romaji finds a Japanese name wherever the
// dictionary opens; without the dictionary the target survives with romaji search off.
struct InstallCase {
    const char* m_label;
    size_t m_folder; // index into HostileFolderNames()
    bool m_dictionary;
};

class LauncherInAFolder : public EndToEnd, public ::testing::WithParamInterface<InstallCase> {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        m_root = std::filesystem::path(temp) / L"skimvue-e2e-folder";
        RemoveTree(m_root.wstring());
        m_installDir = m_root / HostileFolderNames()[GetParam().m_folder];
        CopyMigemoRuntime(m_installDir);
        if (!GetParam().m_dictionary) {
            std::filesystem::remove_all(m_installDir / "dict");
        }
        for (const wchar_t* file : {kLauncher, SKIMVUE_DLL_FILE}) {
            ASSERT_TRUE(
                CopyFileW((BinDir() + L"\\" + file).c_str(), (m_installDir / file).c_str(), FALSE));
        }
    }
    void TearDown() override {
        EndToEnd::TearDown();
        RemoveTree(m_root.wstring());
    }

    std::filesystem::path m_root, m_installDir;
};

TEST_P(LauncherInAFolder, TargetSurvivesAndRomajiWorksWhereTheDictionaryOpens) {
    WriteRules({kTargetRule}, m_installDir.wstring());
    Target& target = StartTarget(L"e2e folder");
    m_launcher = CProcess(L"\"" + (m_installDir / kLauncher).wstring() + L"\"");
    ASSERT_TRUE(WaitAttached(target));
    TypeInto(target, L"kensaku");
    if (GetParam().m_dictionary) {
        EXPECT_EQ(SelectionSettled(target.m_list, {4}), (std::vector<int>{4}));
    } else {
        PumpMessagesFor(1500);
        EXPECT_NE(Selected(target.m_list), (std::vector<int>{4}));
        // Plain search still works.
        ASSERT_TRUE(Xdotool(L"key Escape"));
        TypeInto(target, L"alps");
        EXPECT_EQ(SelectionSettled(target.m_list, {6}), (std::vector<int>{6}));
    }
    EXPECT_EQ(WaitForSingleObject(target.m_process.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(IsAttached(target));
}

INSTANTIATE_TEST_SUITE_P(Folders, LauncherInAFolder,
                         ::testing::Values(InstallCase{"DeepJapanese", 0, true},
                                           InstallCase{"Hangul", 1, true},
                                           InstallCase{"OutsideTheBmp", 2, true},
                                           InstallCase{"DeepJapaneseWithoutDictionary", 0, false}),
                         [](const auto& info) { return std::string(info.param.m_label); });

} // namespace
