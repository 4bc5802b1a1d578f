#include "view/ExplorerCtrl.h"

#include <gtest/gtest.h>

#include "ShellDoubles.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT CWM_GETISHELLBROWSER = WM_USER + 7;
constexpr wchar_t kRootClass[] = L"SkimvueTestRoot";

// A top-level window that answers CWM_GETISHELLBROWSER with the pointer in its user data,
// without a reference, as shell windows do.
LRESULT CALLBACK RootProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == CWM_GETISHELLBROWSER) {
        return GetWindowLongPtrW(hWnd, GWLP_USERDATA);
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

unique_hwnd MakeRoot(IShellBrowser* psb = nullptr) {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = RootProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kRootClass;
        return RegisterClassW(&wc);
    }();
    EXPECT_NE(atom, 0);
    unique_hwnd root(CreateWindowExW(0, kRootClass, L"root", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(root.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(psb));
    return root;
}

// The item view sits two levels below its root, as in a shell window.
struct ViewWindows {
    unique_hwnd m_root;
    HWND m_hWndView = nullptr;
};

ViewWindows MakeView(IShellBrowser* psb = nullptr) {
    ViewWindows windows{MakeRoot(psb)};
    HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_CHILD, 0, 0, 100, 100,
                                 windows.m_root.get(), nullptr, nullptr, nullptr);
    windows.m_hWndView = CreateWindowExW(0, L"STATIC", L"view", WS_CHILD, 0, 0, 50, 50, frame,
                                         nullptr, nullptr, nullptr);
    EXPECT_NE(windows.m_hWndView, nullptr);
    return windows;
}

// A File Explorer window with tabs: each tab has a host window ("DUIViewWndClassName"'s
// "DirectUIHWND"), holding the tab's view window ("SHELLDLL_DefView"), holding its item view.
struct Tab {
    HWND m_hWndHost = nullptr;
    HWND m_hWndView = nullptr;
    HWND m_hWndItems = nullptr;
};
struct TabbedWindows {
    unique_hwnd m_root;
    std::vector<Tab> m_tabs;
};

HWND MakeChild(HWND parent, const wchar_t* title) {
    HWND hWnd = CreateWindowExW(0, L"STATIC", title, WS_CHILD, 0, 0, 100, 100, parent, nullptr,
                                nullptr, nullptr);
    EXPECT_NE(hWnd, nullptr);
    return hWnd;
}

TabbedWindows MakeTabbedFrame(int count) {
    TabbedWindows windows{MakeRoot(), {}};
    for (int i = 0; i < count; ++i) {
        Tab tab;
        tab.m_hWndHost = MakeChild(windows.m_root.get(), L"host");
        tab.m_hWndView = MakeChild(tab.m_hWndHost, L"view");
        tab.m_hWndItems = MakeChild(tab.m_hWndView, L"items");
        windows.m_tabs.push_back(tab);
    }
    return windows;
}

using Entries = std::vector<ComPtr<IDispatch>>;

ComPtr<IDispatch> Browser(HWND hWndTop, ComPtr<IFolderView> pfv, bool withServices = true) {
    return MakeDouble<CBrowserDouble>(hWndTop, std::move(pfv), withServices);
}

class ExplorerCtrlTest : public ::testing::Test {
  protected:
    // Registers a shell-window collection holding entries for the rest of the test; once per test.
    void RegisterShellWindows(Entries entries) {
        auto collection = MakeDouble<CShellWindowsDouble>(std::move(entries));
        RegisterFactory(MakeDouble<CClassFactoryDouble>(collection));
    }
    void RegisterFactory(ComPtr<CClassFactoryDouble> factory) {
        m_factory = std::move(factory);
        m_registration = std::make_unique<CRegisteredClass>(CLSID_ShellWindows, m_factory.Get());
        ASSERT_TRUE(m_registration->IsRegistered());
    }

    unique_com_init m_com{COINIT_APARTMENTTHREADED};
    ComPtr<CClassFactoryDouble> m_factory;
    std::unique_ptr<CRegisteredClass> m_registration;
};

const Names kViewOrder = {L"zeta.txt", L"alpha.txt", L"日本語のファイル.txt", L"Mid"};

TEST_F(ExplorerCtrlTest, FindsTheShellWindowHoldingTheViewAndReadsNamesInViewOrder) {
    ViewWindows view = MakeView();
    unique_hwnd other = MakeRoot();
    auto pfv = MakeDouble<CFolderViewDouble>(kViewOrder);
    RegisterShellWindows({Browser(other.get(), MakeDouble<CFolderViewDouble>(Names{L"other"})),
                          nullptr, Browser(view.m_root.get(), pfv)});
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names = {L"stale 1", L"stale 2", L"stale 3", L"stale 4", L"stale 5"};
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, kViewOrder);
}

TEST_F(ExplorerCtrlTest, AViewThatIsItselfTheShellWindowMatches) {
    unique_hwnd root = MakeRoot();
    RegisterShellWindows({Browser(root.get(), MakeDouble<CFolderViewDouble>(kViewOrder))});
    CExplorerCtrl ctrl(root.get());
    ItemNames names;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, kViewOrder);
}

TEST_F(ExplorerCtrlTest, FallsBackToTheRootWindowsShellBrowser) {
    auto psb = MakeDouble<CShellBrowserDouble>(MakeDouble<CFolderViewDouble>(kViewOrder));
    ViewWindows view = MakeView(psb.Get());
    unique_hwnd other = MakeRoot();
    RegisterShellWindows({Browser(other.get(), MakeDouble<CFolderViewDouble>(Names{L"other"}))});
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, kViewOrder);
}

TEST_F(ExplorerCtrlTest, EmptyFolderGivesAnEmptyList) {
    ViewWindows view = MakeView();
    RegisterShellWindows({Browser(view.m_root.get(), MakeDouble<CFolderViewDouble>(Names{}))});
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names = {L"stale"};
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_TRUE(names.empty());
}

TEST_F(ExplorerCtrlTest, AnEmptyDisplayNameClearsItsEntry) {
    ViewWindows view = MakeView();
    auto pfv = MakeDouble<CFolderViewDouble>(Names{L"a", L"b", L"c"});
    RegisterShellWindows({Browser(view.m_root.get(), pfv)});
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names;
    ASSERT_EQ(ctrl.GetItemNames(names), 0);
    pfv->m_names = {L"a", L"", L"c"};
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, (Names{L"a", L"", L"c"}));
}

// Each connection failure ends the attempt with one logged entry; the caller's list stays.
struct ConnectFailure {
    const char* m_fault;
    const char* m_text;
};

TEST_F(ExplorerCtrlTest, EachConnectionFailureIsLoggedOnceAndLeavesTheNamesAlone) {
    const ConnectFailure failures[] = {
        {"get_Count", "failed: psw->get_Count"},
        {"Item", "failed: psw->Item"},
        {"get_HWND", "failed: get_HWND"},
        {"QueryService", "failed: query interface of IFolderView"},
    };
    ViewWindows view = MakeView();
    RegisterShellWindows({Browser(view.m_root.get(), MakeDouble<CFolderViewDouble>(kViewOrder))});
    for (const ConnectFailure& failure : failures) {
        SCOPED_TRACE(failure.m_text);
        CScopedFault fault(failure.m_fault);
        CExplorerCtrl ctrl(view.m_hWndView);
        ItemNames names = {L"kept"};
        ExpectLogged(failure.m_text);
        EXPECT_EQ(ctrl.GetItemNames(names), -1);
        EXPECT_EQ(names, (Names{L"kept"}));
        ExpectLogged(failure.m_text);
        EXPECT_EQ(ctrl.SelectItem(0, 1, 1), -1);
    }
}

TEST_F(ExplorerCtrlTest, AnEntryThatIsNotABrowserFailsTheWholeConnection) {
    ViewWindows view = MakeView();
    RegisterShellWindows({MakeDouble<CDispatchOnlyDouble>(),
                          Browser(view.m_root.get(), MakeDouble<CFolderViewDouble>(kViewOrder))});
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names;
    ExpectLogged("failed: query interface of IWebBrowserApp");
    EXPECT_EQ(ctrl.GetItemNames(names), -1);
    EXPECT_TRUE(names.empty());
}

TEST_F(ExplorerCtrlTest, ABrowserWithoutServicesFailsTheConnection) {
    ViewWindows view = MakeView();
    RegisterShellWindows(
        {Browser(view.m_root.get(), MakeDouble<CFolderViewDouble>(kViewOrder), false)});
    CExplorerCtrl ctrl(view.m_hWndView);
    ExpectLogged("failed: query interface of IServiceProvider");
    EXPECT_EQ(ctrl.SelectItem(0, 0, 0), -1);
}

TEST_F(ExplorerCtrlTest, ARootWithoutShellBrowserFailsTheConnection) {
    ViewWindows view = MakeView();
    RegisterShellWindows({});
    CExplorerCtrl ctrl(view.m_hWndView);
    ExpectLogged("failed: psb NULL");
    EXPECT_EQ(ctrl.SelectItem(0, 0, 0), -1);
}

// A view that cannot be bound fails at every search and every selection: its window leaves one
// entry a minute, not one per key.
TEST_F(ExplorerCtrlTest, AFailureThatRepeatsIsLoggedOnce) {
    ViewWindows view = MakeView();
    RegisterShellWindows({});
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names;
    ExpectLogged("failed: psb NULL");
    for (int search = 0; search < 3; ++search) {
        EXPECT_EQ(ctrl.GetItemNames(names), -1);
        EXPECT_EQ(ctrl.SelectItem(0, 1, 1), -1);
    }
    CExplorerCtrl reattached(view.m_hWndView);
    EXPECT_EQ(reattached.GetItemNames(names), -1);
}

TEST_F(ExplorerCtrlTest, AShellBrowserWithoutFolderViewFailsTheConnection) {
    auto psb = MakeDouble<CShellBrowserDouble>(nullptr);
    ViewWindows view = MakeView(psb.Get());
    RegisterShellWindows({});
    CExplorerCtrl ctrl(view.m_hWndView);
    ExpectLogged("failed: query interface of IFolderView");
    EXPECT_EQ(ctrl.SelectItem(0, 0, 0), -1);
}

TEST_F(ExplorerCtrlTest, RetriesTheConnectionOnEveryUseUntilItSucceeds) {
    ViewWindows view = MakeView();
    auto collection = MakeDouble<CShellWindowsDouble>(
        Entries{Browser(view.m_root.get(), MakeDouble<CFolderViewDouble>(kViewOrder))});
    RegisterFactory(MakeDouble<CClassFactoryDouble>(collection, REGDB_E_CLASSNOTREG));
    CExplorerCtrl ctrl(view.m_hWndView);
    ItemNames names;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        ExpectLogged("failed: CoCreateInstance");
        EXPECT_EQ(attempt % 2 ? ctrl.GetItemNames(names) : ctrl.SelectItem(0, 1, 1), -1);
        EXPECT_EQ(m_factory->m_cCreated, attempt);
    }
    m_factory->m_hr = S_OK;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(ctrl.SelectItem(1, 1, 1), 0);
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(m_factory->m_cCreated, 4);
    EXPECT_EQ(names, kViewOrder);
}

TEST_F(ExplorerCtrlTest, TheUnboundInstanceNeverConnectsAndLogsNothing) {
    RegisterShellWindows({});
    CExplorerCtrl ctrl(nullptr);
    ItemNames names = {L"kept"};
    EXPECT_EQ(ctrl.GetItemNames(names), -1);
    EXPECT_EQ(ctrl.SelectItem(0, 0, 0), -1);
    EXPECT_EQ(names, (Names{L"kept"}));
    EXPECT_EQ(m_factory->m_cCreated, 2);
}

// Failures after the connection are returned but never logged.
TEST_F(ExplorerCtrlTest, ReadFailuresKeepTheEntriesWrittenBeforeThem) {
    ViewWindows view = MakeView();
    RegisterShellWindows({Browser(view.m_root.get(), MakeDouble<CFolderViewDouble>(kViewOrder))});
    CExplorerCtrl ctrl(view.m_hWndView);
    for (const char* call : {"Items", "GetCount"}) {
        CScopedFault fault(call);
        ItemNames names = {L"old"};
        EXPECT_EQ(ctrl.GetItemNames(names), -1) << call;
        EXPECT_EQ(names, (Names{L"old"})) << call;
    }
    for (const char* call : {"GetItemAt", "GetDisplayName"}) {
        CScopedFault fault(call, 2);
        ItemNames names = {L"old 0", L"old 1", L"old 2", L"old 3", L"old 4"};
        EXPECT_EQ(ctrl.GetItemNames(names), -1) << call;
        EXPECT_EQ(names, (Names{kViewOrder[0], kViewOrder[1], L"old 2", L"old 3"})) << call;
    }
}

class ExplorerCtrlSelectTest : public ExplorerCtrlTest {
  protected:
    void SetUp() override {
        m_pfv = MakeDouble<CFolderViewDouble>(kViewOrder);
        RegisterShellWindows({Browser(m_view.m_root.get(), m_pfv)});
        m_pfv->m_selected = {0, 3};
        m_pfv->m_iFocused = 0;
    }

    ViewWindows m_view = MakeView();
    ComPtr<CFolderViewDouble> m_pfv;
    CExplorerCtrl m_ctrl{m_view.m_hWndView};
};

// One request of the view: it deselects the others itself, without a pass over every item.
TEST_F(ExplorerCtrlSelectTest, SelectingWithFocusLeavesOnlyThatItemSelectedAndVisible) {
    const int before = m_pfv->m_cSelectCalls;
    EXPECT_EQ(m_ctrl.SelectItem(2, 1, 1), 0);
    EXPECT_EQ(m_pfv->m_selected, (std::set<int>{2}));
    EXPECT_EQ(m_pfv->m_iFocused, 2);
    EXPECT_EQ(m_pfv->m_iVisible, 2);
    EXPECT_EQ(m_pfv->m_cSelectCalls - before, 1);
}

TEST_F(ExplorerCtrlSelectTest, SelectingWithoutFocusAddsToTheSelection) {
    EXPECT_EQ(m_ctrl.SelectItem(1, 0, 0), 0);
    EXPECT_EQ(m_pfv->m_selected, (std::set<int>{0, 1, 3}));
    EXPECT_EQ(m_pfv->m_iFocused, 0);
    EXPECT_EQ(m_pfv->m_iVisible, -1);
}

TEST_F(ExplorerCtrlSelectTest, FailuresOfTheFolderViewAreReturnedUnlogged) {
    CScopedFault fault("SelectItem");
    EXPECT_EQ(m_ctrl.SelectItem(1, 1, 1), -1);
    EXPECT_EQ(m_pfv->m_selected, (std::set<int>{0, 3}));
    EXPECT_EQ(m_ctrl.SelectItem(1, 0, 1), -1);
    EXPECT_EQ(m_pfv->m_iFocused, 0);
}

// Every tab is an entry of its own with the same top-level window; only the one whose view holds
// the item view is read and selected in. An entry that does not tell its view window is not
// taken while another is known to hold the item view.
TEST_F(ExplorerCtrlTest, TheTabWhoseViewHoldsTheItemViewIsSearched) {
    TabbedWindows frame = MakeTabbedFrame(3);
    unique_hwnd other = MakeRoot();
    std::vector<ComPtr<CFolderViewDouble>> pfv;
    Entries entries = {
        Browser(other.get(), MakeDouble<CFolderViewDouble>(Names{L"other"})),
        Browser(frame.m_root.get(), MakeDouble<CFolderViewDouble>(Names{L"untold"}))};
    for (int i = 0; i < 3; ++i) {
        pfv.push_back(MakeDouble<CFolderViewDouble>(Names{L"tab " + std::to_wstring(i) + L".txt"},
                                                    frame.m_tabs[i].m_hWndView));
        entries.push_back(Browser(frame.m_root.get(), pfv.back()));
    }
    RegisterShellWindows(entries);

    CExplorerCtrl ctrl(frame.m_tabs[1].m_hWndItems);
    ItemNames names;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, (Names{L"tab 1.txt"}));
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), 0);
    EXPECT_EQ(pfv[1]->m_selected, (std::set<int>{0}));
    EXPECT_TRUE(pfv[0]->m_selected.empty());
    EXPECT_TRUE(pfv[2]->m_selected.empty());

    CExplorerCtrl host(frame.m_tabs[2].m_hWndHost);
    EXPECT_EQ(host.GetItemNames(names), 0);
    EXPECT_EQ(names, (Names{L"tab 2.txt"}));
}

// The connection holds while its view still holds the item view; once the browser's old view is
// gone, the next use connects afresh.
TEST_F(ExplorerCtrlTest, AConnectionWhoseViewIsGoneIsMadeAgain) {
    TabbedWindows frame = MakeTabbedFrame(2);
    auto first = MakeDouble<CFolderViewDouble>(Names{L"first"}, frame.m_tabs[0].m_hWndView);
    auto old = MakeDouble<CFolderViewDouble>(Names{L"old"}, frame.m_tabs[1].m_hWndView);
    auto tab = MakeDouble<CBrowserDouble>(frame.m_root.get(), old);
    RegisterShellWindows({Browser(frame.m_root.get(), first), tab});
    CExplorerCtrl ctrl(frame.m_tabs[1].m_hWndItems);
    ItemNames names;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), 0);
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, (Names{L"old"}));
    EXPECT_EQ(m_factory->m_cCreated, 1);

    old->m_hWndView = nullptr;
    auto browsed = MakeDouble<CFolderViewDouble>(Names{L"new"}, frame.m_tabs[1].m_hWndView);
    tab->Browse(browsed);
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), 0);
    EXPECT_EQ(browsed->m_selected, (std::set<int>{0}));
    EXPECT_EQ(old->m_selected, (std::set<int>{0}));
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, (Names{L"new"}));
    EXPECT_EQ(m_factory->m_cCreated, 2);
}

TEST_F(ExplorerCtrlTest, ShellWindowHandlesComeInCollectionOrder) {
    unique_hwnd first = MakeRoot();
    unique_hwnd second = MakeRoot();
    RegisterShellWindows({Browser(first.get(), nullptr), nullptr, Browser(second.get(), nullptr)});
    std::vector<HWND> handles = {nullptr};
    EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), 0);
    EXPECT_EQ(handles, (std::vector<HWND>{first.get(), second.get()}));
}

TEST_F(ExplorerCtrlTest, ShellWindowHandlesFoundBeforeAFailureStay) {
    unique_hwnd first = MakeRoot();
    RegisterShellWindows({Browser(first.get(), nullptr), MakeDouble<CDispatchOnlyDouble>(),
                          Browser(first.get(), nullptr)});
    std::vector<HWND> handles;
    ExpectLogged("failed: query interface of IWebBrowserApp");
    EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1);
    EXPECT_EQ(handles, (std::vector<HWND>{first.get()}));
}

TEST_F(ExplorerCtrlTest, ShellWindowHandleFailuresAreLogged) {
    const ConnectFailure failures[] = {
        {"get_Count", "failed: psw->get_Count"},
        {"Item", "failed: m_psw->Item"},
        {"get_HWND", "failed: get_HWND"},
    };
    unique_hwnd root = MakeRoot();
    RegisterShellWindows({Browser(root.get(), nullptr)});
    for (const ConnectFailure& failure : failures) {
        CScopedFault fault(failure.m_fault);
        std::vector<HWND> handles;
        ExpectLogged(failure.m_text);
        EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1) << failure.m_text;
        EXPECT_TRUE(handles.empty());
    }
    m_factory->m_hr = E_OUTOFMEMORY;
    std::vector<HWND> handles;
    ExpectLogged("failed: CoCreateInstance");
    EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1);
}

// Wine's own collection cannot count its windows. Wine serves it from another process, which a
// loaded machine may start too late for the first request: the test waits until it answers.
TEST(ExplorerCtrl_WineShellWindows, CountingFailsAndIsLogged) {
    const unique_com_init com(COINIT_APARTMENTTHREADED);
    bool served = false;
    for (int attempt = 0; attempt < 40 && !served; ++attempt) {
        ComPtr<IShellWindows> probe;
        served = SUCCEEDED(
            CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&probe)));
        if (!served) {
            Sleep(250);
        }
    }
    if (!served) {
        GTEST_SKIP() << "Wine's shell windows collection did not start";
    }
    std::vector<HWND> handles;
    ExpectLogged("failed: psw->get_Count");
    EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1);
    EXPECT_TRUE(handles.empty());
    ViewWindows view = MakeView();
    CExplorerCtrl ctrl(view.m_hWndView);
    ExpectLogged("failed: psw->get_Count");
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), -1);
}

} // namespace
