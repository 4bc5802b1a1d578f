// Both discovery passes over real windows of this process. The hook is set on the test's own
// thread, so every window a pass finds really attaches, in milliseconds. Every rule names this
// program or a window class of its own: no window of another process is ever offered the hook.
#include "hook/Discovery.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "hook/Attach.h"
#include "hook/HookLifecycle.h"
#include "support/Messages.h"
#include "hook/SearchState.h"
#include "settings/ParamFile.h"
#include "support/PathParts.h"
#include "view/ExplorerCtrl.h"

namespace {

constexpr wchar_t kOwnerClass[] = L"SkimvueDiscoveryOwner";
constexpr wchar_t kFrameClass[] = L"SkimvueDiscoveryFrame";
constexpr wchar_t kPlainHostClass[] = L"SkimvueDiscoveryPlainHost";

// Every attach and detach message that reached a recorded window's own procedure, in order.
struct Received {
    HWND m_window;
    UINT m_message;
    bool operator==(const Received&) const = default;
};
std::vector<Received> ReceivedMessages;
std::map<HWND, WNDPROC> OwnProcs;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOOK_ATTACH_EXPLORER || message == WM_HOOK_ATTACH_LISTVIEW ||
        message == WM_HOOK_DETACH) {
        ReceivedMessages.push_back({window, message});
    }
    const WNDPROC own = OwnProcs[window];
    if (message == WM_NCDESTROY) {
        OwnProcs.erase(window);
    }
    return CallWindowProcW(own, window, message, wParam, lParam);
}

HWND Recorded(HWND window) {
    OwnProcs[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
    return window;
}

std::vector<UINT> MessagesTo(HWND window) {
    std::vector<UINT> messages;
    for (const Received& received : ReceivedMessages) {
        if (received.m_window == window) {
            messages.push_back(received.m_message);
        }
    }
    return messages;
}

void RegisterPlainClass(const wchar_t* name) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

// Hidden, as Wine takes seconds to destroy a shown top-level window without a window manager.
HWND MakeWindow(const wchar_t* className, HWND parent, DWORD style = WS_CHILD) {
    HWND window = CreateWindowExW(0, className, L"", style, 0, 0, 300, 200, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window, nullptr) << className;
    return Recorded(window);
}

std::wstring OwnExeName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full(path);
    return full.substr(full.rfind(L'\\') + 1);
}

std::wstring Upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return text;
}

TargetListView Rule(const std::wstring& cls, const std::wstring& exe, const std::wstring& root,
                    const std::wstring& owner) {
    TargetListView rule{};
    wcsncpy(rule.ClsName, cls.c_str(), kRuleFieldLength - 1);
    wcsncpy(rule.ExeName, exe.c_str(), kRuleFieldLength - 1);
    wcsncpy(rule.RootClsName, root.c_str(), kRuleFieldLength - 1);
    wcsncpy(rule.RootOwnerClsName, owner.c_str(), kRuleFieldLength - 1);
    return rule;
}

std::string IniRule(int index, const TargetListView& rule) {
    const std::string key = "TargetListView[" + std::to_string(index) + "].";
    return key + "ClsName=" + ToUtf8(rule.ClsName) + "\r\n" + key +
           "ExeName=" + ToUtf8(rule.ExeName) + "\r\n" + key +
           "RootClsName=" + ToUtf8(rule.RootClsName) + "\r\n" + key +
           "RootOwnerClsName=" + ToUtf8(rule.RootOwnerClsName) + "\r\n";
}

// A window of a list-view class: a real one, as comctl32 owns the class name.
HWND MakeListView(HWND parent) {
    return MakeWindow(WC_LISTVIEWW, parent, WS_CHILD | LVS_LIST);
}

// A dialog as the dialog manager makes them: the system's class "#32770".
HWND MakeDialogWindow() {
    return MakeWindow(WC_DIALOG, nullptr, WS_POPUP);
}

// The windows the rules look for:
//   owner (hidden, SkimvueDiscoveryOwner)
//     frame (top-level, SkimvueDiscoveryFrame, owned by owner)
//       holder (STATIC) > list (SysListView32)
//       items (DirectUIHWND)
// The shell views, as Windows 10 and 11 nest them, and the look-alikes that hold none:
//   cabinet (CabinetWClass)
//     ShellTabWindowClass > DUIViewWndClassName > frameHost (DirectUIHWND, the frame's own
//       layout) > CtrlNotifySink > SHELLDLL_DefView > firstTabItems (DirectUIHWND)
//     ShellTabWindowClass (a tab in the background) > SHELLDLL_DefView > secondTabItems
//     STATIC > strayItems (DirectUIHWND)
//   explore (ExploreWClass) > SHELLDLL_DefView > classicItems (SysListView32)
//   fileDialog (#32770) > SHELLDLL_DefView > dialogItems (SysListView32)
//   taskDialog (#32770) > taskItems (DirectUIHWND), and > CtrlNotifySink > deepTaskItems
//   plainHost (a class of this program) > SHELLDLL_DefView > plainItems (DirectUIHWND)
struct Windows {
    Windows() {
        for (const wchar_t* name :
             {kOwnerClass, kFrameClass, kPlainHostClass, L"CabinetWClass", L"ExploreWClass",
              L"ShellTabWindowClass", L"DUIViewWndClassName", L"CtrlNotifySink",
              L"SHELLDLL_DefView", L"DirectUIHWND"}) {
            RegisterPlainClass(name);
        }
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        m_owner.reset(MakeWindow(kOwnerClass, nullptr, WS_POPUP));
        // An owned popup: GetParent, which the root owner is found through, leads to its owner.
        m_frame.reset(MakeWindow(kFrameClass, m_owner.get(), WS_POPUPWINDOW | WS_CAPTION));
        m_holder = MakeWindow(L"STATIC", m_frame.get());
        // A list-style view has no header control of its own, which a "*" class would find too.
        m_list = MakeListView(m_holder);
        m_items = MakeWindow(L"DirectUIHWND", m_frame.get());
        MakeShellWindows();
    }
    void MakeShellWindows() {
        m_cabinet.reset(MakeWindow(L"CabinetWClass", nullptr, WS_OVERLAPPEDWINDOW));
        const HWND firstTab = MakeWindow(L"ShellTabWindowClass", m_cabinet.get());
        m_frameHost = MakeWindow(L"DirectUIHWND", MakeWindow(L"DUIViewWndClassName", firstTab));
        const HWND sink = MakeWindow(L"CtrlNotifySink", m_frameHost);
        m_firstTabItems = ItemsIn(MakeWindow(L"SHELLDLL_DefView", sink));
        const HWND secondTab = MakeWindow(L"ShellTabWindowClass", m_cabinet.get());
        m_secondTabItems = ItemsIn(MakeWindow(L"SHELLDLL_DefView", secondTab));
        m_strayItems = MakeWindow(L"DirectUIHWND", MakeWindow(L"STATIC", m_cabinet.get()));
        m_explore.reset(MakeWindow(L"ExploreWClass", nullptr, WS_OVERLAPPEDWINDOW));
        m_classicItems = MakeListView(MakeWindow(L"SHELLDLL_DefView", m_explore.get()));
        m_fileDialog.reset(MakeDialogWindow());
        m_dialogItems = MakeListView(MakeWindow(L"SHELLDLL_DefView", m_fileDialog.get()));
        m_taskDialog.reset(MakeDialogWindow());
        m_taskItems = MakeWindow(L"DirectUIHWND", m_taskDialog.get());
        m_deepTaskItems =
            MakeWindow(L"DirectUIHWND", MakeWindow(L"CtrlNotifySink", m_taskDialog.get()));
        m_plainHost.reset(MakeWindow(kPlainHostClass, nullptr, WS_OVERLAPPEDWINDOW));
        m_plainItems = ItemsIn(MakeWindow(L"SHELLDLL_DefView", m_plainHost.get()));
    }
    static HWND ItemsIn(HWND view) { return MakeWindow(L"DirectUIHWND", view); }

    // The frame goes before its owner.
    unique_hwnd m_owner;
    unique_hwnd m_frame;
    HWND m_holder;
    HWND m_list;
    HWND m_items;
    unique_hwnd m_cabinet;
    HWND m_frameHost;
    HWND m_firstTabItems;
    HWND m_secondTabItems;
    HWND m_strayItems;
    unique_hwnd m_explore;
    HWND m_classicItems;
    unique_hwnd m_fileDialog;
    HWND m_dialogItems;
    unique_hwnd m_taskDialog;
    HWND m_taskItems;
    HWND m_deepTaskItems;
    unique_hwnd m_plainHost;
    HWND m_plainItems;
};

class Discovery : public ::testing::Test {
  protected:
    // This suite alone calls StartHooking in this program, and its first call here is the
    // process's first: it loads the settings file, which rules this run alone.
    static void SetUpTestSuite() {
        s_windows = std::make_unique<Windows>();
        const CSettingsGuard guard;
        const std::wstring path = GetParamFilePath();
        WriteFileBytes(path, "[General]\r\nEnableOnExplorer=0\r\nEnableOnListView=1\r\n"
                             "EnableLength=7\r\nNumberOfTargetListView=1\r\n" +
                                 IniRule(0, FileRule()));
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
        EnableOnListView = 0;
        TargetListViews.clear();
        NumberOfTargetListView = 0;
        Shared.EnableLength = 3;
        StartHooking(nullptr);
        s_first = {HookedWindows, TargetListViews, Shared.EnableLength, ReadLibraryDir()};
        EndHooking();
        DeleteFileW(path.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
        ReceivedMessages.clear();
    }
    static void TearDownTestSuite() { s_windows.reset(); }
    void TearDown() override {
        EndHooking();
        ReceivedMessages.clear();
    }

    static TargetListView FileRule() {
        return Rule(L"SysListView32", OwnExeName(), kFrameClass, kOwnerClass);
    }
    static void RunRules(const std::vector<TargetListView>& rules) {
        TargetListViews = rules;
        NumberOfTargetListView = static_cast<int32_t>(rules.size());
        RunListViewPass();
    }

    struct FirstStart {
        std::vector<HWND> m_hooked;
        std::vector<TargetListView> m_rules;
        int32_t m_enableLength;
        std::wstring m_libraryDir;
    };
    static inline std::unique_ptr<Windows> s_windows;
    static inline FirstStart s_first;
    CSettingsGuard m_guard;
    const Windows& w = *s_windows;
};

TEST_F(Discovery, TheFirstStartLoadsTheSettingsFileAndRunsTheListViewPass) {
    EXPECT_EQ(s_first.m_hooked, std::vector<HWND>{w.m_list});
    ASSERT_EQ(s_first.m_rules.size(), 1u);
    const TargetListView expected = FileRule();
    EXPECT_STREQ(s_first.m_rules[0].ClsName, expected.ClsName);
    EXPECT_STREQ(s_first.m_rules[0].ExeName, expected.ExeName);
    EXPECT_STREQ(s_first.m_rules[0].RootClsName, expected.RootClsName);
    EXPECT_STREQ(s_first.m_rules[0].RootOwnerClsName, expected.RootOwnerClsName);
    EXPECT_EQ(s_first.m_enableLength, 7);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(s_first.m_libraryDir, DirectoryOf(exe));
}

// Each field against a rule that differs from the window's value only there, by letter case or
// by being part of it, and then against the right value: only the right one finds the list.
TEST_F(Discovery, EveryFieldIsComparedWholeAndCaseSensitively) {
    const std::wstring exe = OwnExeName();
    const std::wstring stem = exe.substr(0, exe.rfind(L'.'));
    struct Field {
        const char* m_name;
        std::vector<TargetListView> m_wrong;
        TargetListView m_right;
    };
    const std::vector<Field> fields = {
        {"class",
         {Rule(L"syslistview32", exe, kFrameClass, L"*"),
          Rule(L"SysListView", exe, kFrameClass, L"*")},
         Rule(L"SysListView32", exe, kFrameClass, L"*")},
        {"executable",
         {Rule(L"SysListView32", Upper(exe), kFrameClass, L"*"),
          Rule(L"SysListView32", stem, kFrameClass, L"*"),
          Rule(L"SysListView32", L"", kFrameClass, L"*")},
         Rule(L"SysListView32", exe, kFrameClass, L"*")},
        {"root class",
         {Rule(L"SysListView32", exe, Upper(kFrameClass), L"*"),
          Rule(L"SysListView32", exe, L"SkimvueDiscovery", L"*")},
         Rule(L"SysListView32", exe, kFrameClass, L"*")},
        {"root owner class",
         {Rule(L"SysListView32", L"*", L"*", Upper(kOwnerClass)),
          Rule(L"SysListView32", L"*", L"*", L"SkimvueDiscovery")},
         Rule(L"SysListView32", L"*", L"*", kOwnerClass)},
    };
    for (const Field& field : fields) {
        RunRules(field.m_wrong);
        EXPECT_TRUE(ReceivedMessages.empty()) << field.m_name;
        RunRules({field.m_right});
        EXPECT_EQ(HookedWindows, std::vector<HWND>{w.m_list}) << field.m_name;
        EXPECT_NE(FindSearchState(w.m_list), nullptr) << field.m_name;
        EndHooking();
        ReceivedMessages.clear();
    }
}

// "*" as the root looks at every window under the desktop, top-level ones included; a named
// root only at the descendants of top-level windows of that class. A "*" class is never read,
// so even an item view attaches as a list view then.
TEST_F(Discovery, StarFieldsMatchAnythingAndTheRootDecidesWhereToLook) {
    const std::wstring exe = OwnExeName();
    RunRules({Rule(L"*", exe, kFrameClass, L"*")});
    EXPECT_EQ(MessagesTo(w.m_holder), std::vector<UINT>{WM_HOOK_ATTACH_LISTVIEW});
    EXPECT_EQ(MessagesTo(w.m_list), std::vector<UINT>{WM_HOOK_ATTACH_LISTVIEW});
    EXPECT_EQ(MessagesTo(w.m_items), std::vector<UINT>{WM_HOOK_ATTACH_LISTVIEW});
    EXPECT_TRUE(MessagesTo(w.m_frame.get()).empty());
    EndHooking();

    ReceivedMessages.clear();
    RunRules({Rule(kFrameClass, exe, kFrameClass, L"*")});
    EXPECT_TRUE(ReceivedMessages.empty()) << "a named root is never a candidate itself";
    RunRules({Rule(kFrameClass, exe, L"*", L"*")});
    EXPECT_EQ(ReceivedMessages,
              (std::vector<Received>{{w.m_frame.get(), WM_HOOK_ATTACH_LISTVIEW}}));
}

TEST_F(Discovery, ARuleNamingTheItemViewClassAttachesAnExplorerController) {
    RunRules({Rule(L"DirectUIHWND", OwnExeName(), kFrameClass, kOwnerClass)});
    EXPECT_EQ(ReceivedMessages, (std::vector<Received>{{w.m_items, WM_HOOK_ATTACH_EXPLORER}}));
    const SearchState* state = FindSearchState(w.m_items);
    ASSERT_NE(state, nullptr);
    EXPECT_NE(dynamic_cast<const CExplorerCtrl*>(state->m_pCtrl.get()), nullptr);
}

TEST_F(Discovery, AWindowTwoRulesMatchIsHookedOnceAndNeverAgain) {
    const std::vector<TargetListView> rules = {
        Rule(L"SysListView32", OwnExeName(), kFrameClass, L"*"),
        Rule(L"SysListView32", L"*", L"*", kOwnerClass)};
    RunRules(rules);
    RunRules(rules);
    EXPECT_EQ(ReceivedMessages, (std::vector<Received>{{w.m_list, WM_HOOK_ATTACH_LISTVIEW}}));
    EXPECT_EQ(HookedWindows, std::vector<HWND>{w.m_list});
}

std::vector<HWND> Sorted(std::vector<HWND> windows) {
    std::sort(windows.begin(), windows.end());
    return windows;
}

// Which shell views a start takes, by the settings. Every view of an Explorer window is taken,
// however deep and in every tab; a dialog's only while file dialogs are on and its program is
// not on the list. The DirectUIHWND of a task dialog, the Explorer frame's own layout window and
// a view in a window of no host class are never taken.
TEST_F(Discovery, EachStartTakesTheShellViewsOfTheHostsTheSettingsName) {
    const std::wstring exe = OwnExeName();
    const std::vector<HWND> explorer{w.m_firstTabItems, w.m_secondTabItems, w.m_classicItems};
    struct Case {
        const char* m_label;
        int32_t m_onExplorer;
        int32_t m_onFileDialog;
        std::wstring m_exclude;
        std::vector<HWND> m_taken;
    };
    const std::vector<Case> cases = {
        {"both off", 0, 0, L"", {}},
        {"explorer", 1, 0, L"", explorer},
        {"file dialogs", 0, 1, L"", {w.m_dialogItems}},
        {"file dialogs, flag as 2", 0, 2, L"", {}},
        {"both",
         1,
         1,
         L"",
         {w.m_firstTabItems, w.m_secondTabItems, w.m_classicItems, w.m_dialogItems}},
        {"excluded", 0, 1, L"other.exe; " + Upper(exe) + L" ;more.exe", {}},
        {"excluded alone", 0, 1, exe, {}},
        {"a part of the name",
         0,
         1,
         exe.substr(0, exe.rfind(L'.')) + L";" + exe.substr(1),
         {w.m_dialogItems}},
        {"explorer, this program excluded", 1, 1, exe, explorer},
    };
    for (const Case& c : cases) {
        EnableOnExplorer = c.m_onExplorer;
        EnableOnListView = 0;
        Shared.EnableOnFileDialog = c.m_onFileDialog;
        StoreFileDialogExcludeExeNames(c.m_exclude);
        StartHooking(nullptr);
        EXPECT_EQ(Sorted(HookedWindows), Sorted(c.m_taken)) << c.m_label;
        for (HWND items : c.m_taken) {
            EXPECT_EQ(MessagesTo(items), std::vector<UINT>{WM_HOOK_ATTACH_EXPLORER}) << c.m_label;
        }
        EndHooking();
        ReceivedMessages.clear();
    }
}

// A rule may name a shell view's item window itself (Wine's views are list views): it is read
// through its view all the same, as the Explorer pass would have attached it.
TEST_F(Discovery, ARuleThatFindsAShellViewsItemWindowAttachesItAsOne) {
    RunRules({Rule(L"SysListView32", OwnExeName(), L"#32770", L"*")});
    EXPECT_EQ(ReceivedMessages,
              (std::vector<Received>{{w.m_dialogItems, WM_HOOK_ATTACH_EXPLORER}}));
    RunRules({Rule(L"*", OwnExeName(), L"ExploreWClass", L"*")});
    EXPECT_EQ(MessagesTo(w.m_classicItems), std::vector<UINT>{WM_HOOK_ATTACH_EXPLORER});
}

// The Explorer pass runs first and takes the item views under a shell view; a rule that names
// one of them again changes nothing, and only then hooks the item view the Explorer pass left.
TEST_F(Discovery, TheShellViewPassRunsFirstAndARuleHooksNothingTwice) {
    TargetListViews = {Rule(L"DirectUIHWND", OwnExeName(), L"CabinetWClass", L"*")};
    EnableOnExplorer = 1;
    EnableOnListView = 0;
    StartHooking(nullptr);
    EXPECT_EQ(Sorted(HookedWindows),
              Sorted({w.m_firstTabItems, w.m_secondTabItems, w.m_classicItems}));

    EnableOnListView = 1;
    StartHooking(nullptr);
    EXPECT_EQ(HookedWindows.size(), 5u) << "the frame's layout window and the stray one too";
    for (HWND items : {w.m_firstTabItems, w.m_secondTabItems, w.m_frameHost, w.m_strayItems}) {
        EXPECT_EQ(MessagesTo(items), std::vector<UINT>{WM_HOOK_ATTACH_EXPLORER});
    }
}

// A view that appears is taken when its window event comes, before any pass runs. The watch
// here leaves this program's windows in, which the launcher's leaves out.
TEST_F(Discovery, AViewThatAppearsIsTakenFromItsWindowEventWithoutAPass) {
    EnableOnExplorer = 1;
    Shared.EnableOnFileDialog = 1;
    ASSERT_TRUE(WatchNewWindows(0));
    const unique_hwnd dialog(MakeDialogWindow());
    const HWND items = MakeListView(MakeWindow(L"SHELLDLL_DefView", dialog.get()));
    const unique_hwnd cabinet(MakeWindow(L"CabinetWClass", nullptr, WS_OVERLAPPEDWINDOW));
    const HWND tab = MakeWindow(L"ShellTabWindowClass", cabinet.get());
    const HWND tabItems = Windows::ItemsIn(MakeWindow(L"SHELLDLL_DefView", tab));
    EXPECT_TRUE(PumpUntil([&] { return HookedWindows.size() == 2; }, 2000));
    EXPECT_EQ(Sorted(HookedWindows), Sorted({items, tabItems}));
    EXPECT_EQ(MessagesTo(items), std::vector<UINT>{WM_HOOK_ATTACH_EXPLORER});

    EndHooking();
    ReceivedMessages.clear();
    const unique_hwnd unwatched(MakeDialogWindow());
    MakeListView(MakeWindow(L"SHELLDLL_DefView", unwatched.get()));
    PumpMessagesFor(300);
    EXPECT_TRUE(ReceivedMessages.empty()) << "the watch ends with the hooking";
}

TEST(Discovery_ExeList, NamesCompareWholeInAnyLetterCase) {
    struct Case {
        const wchar_t* m_list;
        const wchar_t* m_exe;
        bool m_on;
    };
    const Case cases[] = {
        {L"notepad.exe", L"notepad.exe", true},
        {L"NOTEPAD.EXE", L"Notepad.exe", true},
        {L"a.exe;notepad.exe;b.exe", L"notepad.exe", true},
        {L" a.exe ;\tnotepad.exe\t; ", L"notepad.exe", true},
        {L"\u00c9DIT.EXE", L"\u00e9dit.exe", true},
        {L"\u65e5\u672c.exe", L"\u65e5\u672c.exe", true},
        {L"notepad", L"notepad.exe", false},
        {L"otepad.exe", L"notepad.exe", false},
        {L"notepad.exe2", L"notepad.exe", false},
        {L"", L"notepad.exe", false},
        {L";;", L"notepad.exe", false},
        {L"notepad.exe", L"", false},
        {L";", L"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOnExeList(c.m_list, c.m_exe), c.m_on)
            << ToUtf8(c.m_list) << " / " << ToUtf8(c.m_exe);
    }
}

// A closed window leaves the list at the next pass, so the exit never sends it anything; the
// others stay attached (a pass with both searches off detaches nothing) and detach at the exit
// in the order they attached, each before the exit returns.
TEST_F(Discovery, AClosedWindowIsDroppedAtTheNextPassTheRestDetachInTheirOrder) {
    CTestListView first({L"a"});
    CTestListView second({L"b"});
    CTestListView third({L"c"});
    const HWND a = Recorded(first.List());
    const HWND b = Recorded(second.List());
    const HWND c = Recorded(third.List());
    for (HWND list : {c, a, b}) {
        ASSERT_EQ(HookWindow(list, WM_HOOK_ATTACH_LISTVIEW), 1);
    }
    DestroyWindow(b);
    EnableOnExplorer = 0;
    EnableOnListView = 0;
    StartHooking(nullptr);
    EXPECT_EQ(HookedWindows, (std::vector<HWND>{c, a}));
    EXPECT_NE(FindSearchState(c), nullptr);
    EXPECT_NE(FindSearchState(a), nullptr);

    ReceivedMessages.clear();
    EndHooking();
    EXPECT_EQ(ReceivedMessages, (std::vector<Received>{{c, WM_HOOK_DETACH}, {a, WM_HOOK_DETACH}}));
    EXPECT_EQ(FindSearchState(c), nullptr);
    EXPECT_EQ(FindSearchState(a), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(a, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(RecordingProc));
    EXPECT_TRUE(HookedWindows.empty());
}

} // namespace
