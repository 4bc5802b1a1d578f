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

#include "../view/ShellDoubles.h"
#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/WinTestSupport.h"
#include "hook/Attach.h"
#include "hook/HookLifecycle.h"
#include "support/Messages.h"
#include "hook/SearchState.h"
#include "settings/ParamFile.h"
#include "support/PathParts.h"
#include "view/ExplorerCtrl.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kOwnerClass[] = L"SkimvueDiscoveryOwner";
constexpr wchar_t kFrameClass[] = L"SkimvueDiscoveryFrame";
constexpr wchar_t kCabinetClass[] = L"SkimvueDiscoveryCabinet";

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

// The windows the rules look for:
//   owner (hidden, SkimvueDiscoveryOwner)
//     frame (top-level, SkimvueDiscoveryFrame, owned by owner)
//       holder (STATIC) > list (SysListView32)
//       items (DirectUIHWND)
//   cabinet (top-level, listed as an Explorer window)
//     SHELLDLL_DefView > explorerItems (DirectUIHWND)
//     DUIViewWndClassName > tabItems (DirectUIHWND)
//     STATIC > strayItems (DirectUIHWND)
struct Windows {
    Windows() {
        for (const wchar_t* name : {kOwnerClass, kFrameClass, kCabinetClass, L"SHELLDLL_DefView",
                                    L"DUIViewWndClassName", L"DirectUIHWND"}) {
            RegisterPlainClass(name);
        }
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        m_owner.reset(MakeWindow(kOwnerClass, nullptr, WS_POPUP));
        // An owned popup: GetParent, which the root owner is found through, leads to its owner.
        m_frame.reset(MakeWindow(kFrameClass, m_owner.get(), WS_POPUPWINDOW | WS_CAPTION));
        m_holder = MakeWindow(L"STATIC", m_frame.get());
        // A list-style view has no header control of its own, which a "*" class would find too.
        m_list = MakeWindow(WC_LISTVIEWW, m_holder, WS_CHILD | LVS_LIST);
        m_items = MakeWindow(L"DirectUIHWND", m_frame.get());
        m_cabinet.reset(MakeWindow(kCabinetClass, nullptr, WS_OVERLAPPEDWINDOW));
        m_explorerItems =
            MakeWindow(L"DirectUIHWND", MakeWindow(L"SHELLDLL_DefView", m_cabinet.get()));
        m_tabItems =
            MakeWindow(L"DirectUIHWND", MakeWindow(L"DUIViewWndClassName", m_cabinet.get()));
        m_strayItems = MakeWindow(L"DirectUIHWND", MakeWindow(L"STATIC", m_cabinet.get()));
    }
    // The frame goes before its owner.
    unique_hwnd m_owner;
    unique_hwnd m_frame;
    unique_hwnd m_cabinet;
    HWND m_holder;
    HWND m_list;
    HWND m_items;
    HWND m_explorerItems;
    HWND m_tabItems;
    HWND m_strayItems;
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

// The Explorer pass runs first and takes the item views under a shell view; a rule that names
// one of them again changes nothing, and only then hooks the item view the Explorer pass left.
TEST_F(Discovery, TheExplorerPassHooksItemViewsUnderAShellViewFirstAndOnce) {
    const unique_com_init com(COINIT_APARTMENTTHREADED);
    auto factory = MakeDouble<CClassFactoryDouble>(MakeDouble<CShellWindowsDouble>(
        std::vector<ComPtr<IDispatch>>{MakeDouble<CBrowserDouble>(w.m_cabinet.get())}));
    const CRegisteredClass registration(CLSID_ShellWindows, factory.Get());
    ASSERT_TRUE(registration.IsRegistered());
    TargetListViews = {Rule(L"DirectUIHWND", OwnExeName(), kCabinetClass, L"*")};
    EnableOnExplorer = 1;
    EnableOnListView = 0;
    StartHooking(nullptr);
    EXPECT_EQ(HookedWindows, (std::vector<HWND>{w.m_explorerItems, w.m_tabItems}));

    EnableOnListView = 1;
    StartHooking(nullptr);
    EXPECT_EQ(HookedWindows, (std::vector<HWND>{w.m_explorerItems, w.m_tabItems, w.m_strayItems}));
    for (HWND items : {w.m_explorerItems, w.m_tabItems, w.m_strayItems}) {
        EXPECT_EQ(MessagesTo(items), std::vector<UINT>{WM_HOOK_ATTACH_EXPLORER});
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
