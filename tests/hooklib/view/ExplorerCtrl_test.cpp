// The shell controller against what Wine cannot show: File Explorer's windows (frame, tabs,
// SHELLDLL_DefView, DirectUIHWND item window) built from windows of the real class names, and
// the faithful double of a grouped folder view over a real folder.
#include "view/ExplorerCtrl.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>

#include "FolderViewDouble.h"
#include "ShellDoubles.h"
#include "harness/WinTestSupport.h"
#include "support/Barrier.h"
#include "support/UniqueHandle.h"
#include "view/ShellItems.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT CWM_GETISHELLBROWSER = WM_USER + 7;

// How often each window was asked for its browser.
std::map<HWND, int> Asked;

// Every window here answers CWM_GETISHELLBROWSER with the pointer in its user data (none when
// null), without a reference, as browser hosts do.
LRESULT CALLBACK AnsweringProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == CWM_GETISHELLBROWSER) {
        ++Asked[hWnd];
        return GetWindowLongPtrW(hWnd, GWLP_USERDATA);
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

HWND MakeWindow(const wchar_t* className, HWND parent, LONG_PTR answer = 0) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = AnsweringProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    const HWND hWnd = CreateWindowExW(0, className, L"", parent ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0,
                                      0, 300, 200, parent, nullptr, wc.hInstance, nullptr);
    EXPECT_NE(hWnd, nullptr) << className;
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, answer);
    return hWnd;
}

LONG_PTR Answer(IShellBrowser* browser) {
    return reinterpret_cast<LONG_PTR>(browser);
}

// A view's window with its item window inside.
struct ShownView {
    HWND m_hWndView = nullptr;
    HWND m_hWndItems = nullptr;
};
ShownView MakeShownView(HWND parent) {
    ShownView view;
    view.m_hWndView = MakeWindow(L"SHELLDLL_DefView", parent);
    view.m_hWndItems = MakeWindow(L"DirectUIHWND", view.m_hWndView);
    return view;
}

// Four real files, grouped by type as Windows groups a folder: the index order is the order the
// folder listed them, the view order puts each group together.
const Names kFiles = {L"a.txt", L"b.doc", L"c.txt", L"d.doc"};
const std::vector<int> kGroupedOrder = {1, 3, 0, 2};
const Names kGroupedNames = {L"b.doc", L"d.doc", L"a.txt", L"c.txt"};

class ExplorerCtrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Asked.clear();
        for (const std::wstring& file : kFiles) {
            WriteFileBytes(m_dir.Path() + L"\\" + file, "x");
        }
        unique_pidl folder;
        ASSERT_EQ(SHParseDisplayName(m_dir.Path().c_str(), nullptr, folder.put(), 0, nullptr),
                  S_OK);
        ASSERT_EQ(SHBindToObject(nullptr, folder.get(), nullptr, IID_PPV_ARGS(&m_folder)), S_OK);
    }

    ComPtr<CFolderViewDouble> MakeView(HWND hWndView,
                                       const std::vector<int>& order = kGroupedOrder) {
        return MakeDouble<CFolderViewDouble>(m_folder.Get(), kFiles, order, hWndView);
    }

    unique_com_init m_com{COINIT_APARTMENTTHREADED};
    CTempDir m_dir{L"skimvue-explorer-ctrl"};
    ComPtr<IShellFolder> m_folder;
    unique_hwnd m_frame{MakeWindow(L"CabinetWClass", nullptr)};
};

// Windows groups Downloads, This PC and others: the positions of the names read in view order
// are not the view's indices, and the item selected must be the one whose name matched.
TEST_F(ExplorerCtrlTest, AGroupedViewIsReadInViewOrderAndSelectedByItsItems) {
    const HWND tab = MakeWindow(L"ShellTabWindowClass", m_frame.get());
    const ShownView shown = MakeShownView(tab);
    auto view = MakeView(shown.m_hWndView);
    auto browser = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(tab, GWLP_USERDATA, Answer(browser.Get()));

    CExplorerCtrl ctrl(shown.m_hWndItems);
    ItemNames names = {L"stale"};
    ASSERT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, kGroupedNames);

    // a.txt is shown third: its index is 0.
    EXPECT_EQ(ctrl.SelectItem(2, 1, 1), 0);
    EXPECT_EQ(view->m_selected, (std::set<int>{0}));
    EXPECT_EQ(view->m_iFocused, 0);
    EXPECT_EQ(view->m_iMarked, 0);
    EXPECT_EQ(view->m_iVisible, 0);
    EXPECT_EQ(ctrl.SelectItem(3, 0, 0), 0);
    EXPECT_EQ(view->m_selected, (std::set<int>{0, 2}));
    EXPECT_EQ(view->m_iFocused, 0);
    EXPECT_EQ(view->m_cSelectByIndex, 0);

    // Select-all: one request for every candidate; the focus stays.
    EXPECT_EQ(ctrl.SelectItems({0, 1}), 0);
    EXPECT_EQ(view->m_cSelectMany, 1);
    EXPECT_EQ(view->m_selected, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(view->m_iFocused, 0);
    EXPECT_EQ(Asked[m_frame.get()], 0);
}

// The names of a read stand until the view changes; a new sort order reads them again.
TEST_F(ExplorerCtrlTest, NamesAreKeptUntilTheArrangementChanges) {
    const ShownView shown = MakeShownView(m_frame.get());
    auto view = MakeView(shown.m_hWndView);
    auto browser = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(m_frame.get(), GWLP_USERDATA, Answer(browser.Get()));
    CExplorerCtrl ctrl(shown.m_hWndItems);
    ItemNames names;
    ASSERT_EQ(ctrl.GetItemNames(names), 0);
    ASSERT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(view->m_cItemsRead, 1);
    view->m_sort = {SORTCOLUMN{PROPERTYKEY{GUID{1, 2, 3, {}}, 10}, SORT_DESCENDING}};
    ASSERT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(view->m_cItemsRead, 2);
    EXPECT_EQ(names, kGroupedNames);
}

// Windows 10 and 11 give each tab a browser of its own; a tab that shows no folder view (a
// page of another kind) does not keep the other tabs of its window from being searched, and
// neither the frame nor the other tab is asked.
TEST_F(ExplorerCtrlTest, EachTabBindsItsOwnViewAndATabWithoutOneHindersNone) {
    auto pageBrowser = MakeDouble<CShellBrowserDouble>(nullptr);
    const HWND pageTab =
        MakeWindow(L"ShellTabWindowClass", m_frame.get(), Answer(pageBrowser.Get()));
    const HWND folderTab = MakeWindow(L"ShellTabWindowClass", m_frame.get());
    const ShownView shown = MakeShownView(folderTab);
    auto view = MakeView(shown.m_hWndView);
    auto browser = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(folderTab, GWLP_USERDATA, Answer(browser.Get()));

    CExplorerCtrl ctrl(shown.m_hWndItems);
    ItemNames names;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, kGroupedNames);
    EXPECT_EQ(Asked[pageTab], 0);
    EXPECT_EQ(Asked[m_frame.get()], 0);
}

std::vector<std::wstring> Traces;

void Capture(const wchar_t* text) {
    Traces.emplace_back(text);
}

// A host whose browser shows another view is passed over for the next host up; with none left,
// the controller stays unbound and says why, once a minute: to the user the call that failed, to
// developers also its code and place.
TEST_F(ExplorerCtrlTest, AHostWhoseViewIsElsewhereIsPassedOver) {
    const HWND tab = MakeWindow(L"ShellTabWindowClass", m_frame.get());
    const ShownView shown = MakeShownView(tab);
    const ShownView other = MakeShownView(m_frame.get());
    auto view = MakeView(shown.m_hWndView);
    auto elsewhere =
        MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(MakeView(other.m_hWndView).Get()));
    auto right = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(tab, GWLP_USERDATA, Answer(elsewhere.Get()));
    SetWindowLongPtrW(m_frame.get(), GWLP_USERDATA, Answer(right.Get()));
    ItemNames names;
    {
        CExplorerCtrl ctrl(shown.m_hWndItems);
        EXPECT_EQ(ctrl.GetItemNames(names), 0);
        EXPECT_EQ(names, kGroupedNames);
    }
    SetWindowLongPtrW(m_frame.get(), GWLP_USERDATA, 0);
    CExplorerCtrl ctrl(shown.m_hWndItems);
    names = {L"kept"};
    ExpectLogged("failed: hWndActive == hWndView");
    Traces.clear();
    const TraceSink previous = SetTraceSink(Capture);
    EXPECT_EQ(ctrl.GetItemNames(names), -1);
    EXPECT_EQ(ctrl.GetItemNames(names), -1);
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), -1);
    SetTraceSink(previous);
    EXPECT_EQ(names, (Names{L"kept"}));
    ASSERT_EQ(Traces.size(), 1u);
    EXPECT_EQ(Traces[0].find(L"Skimvue: CExplorerCtrl::EnsureBound failed: hWndActive == hWndView, "
                             L"0x8000FFFF, ShellBinding.cpp:"),
              0u)
        << Traces[0];
}

// Only browser hosts are asked: another program's window may use the message for its own
// purposes. An answer that is no interface is not taken for one.
TEST_F(ExplorerCtrlTest, OnlyBrowserHostsAreAskedAndOnlyInterfacesTaken) {
    auto view = ComPtr<CFolderViewDouble>();
    const HWND plain = MakeWindow(L"SkimvueNoHost", m_frame.get());
    const ShownView shown = MakeShownView(plain);
    view = MakeView(shown.m_hWndView);
    auto browser = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(plain, GWLP_USERDATA, Answer(browser.Get()));
    SetWindowLongPtrW(m_frame.get(), GWLP_USERDATA, 0x1234);

    CExplorerCtrl ctrl(shown.m_hWndItems);
    ItemNames names;
    ExpectLogged("failed: psb NULL");
    EXPECT_EQ(ctrl.GetItemNames(names), -1);
    EXPECT_EQ(Asked[plain], 0);
    EXPECT_EQ(Asked[m_frame.get()], 1);
}

// A tab that navigates shows another view: the controller never reads that view for this item
// window, and binds again once its view is the browser's again.
TEST_F(ExplorerCtrlTest, ABrowserThatShowsAnotherViewIsCheckedAtEachSearch) {
    const HWND tab = MakeWindow(L"ShellTabWindowClass", m_frame.get());
    const ShownView shown = MakeShownView(tab);
    const ShownView next = MakeShownView(tab);
    auto view = MakeView(shown.m_hWndView);
    auto browser = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(tab, GWLP_USERDATA, Answer(browser.Get()));
    CExplorerCtrl ctrl(shown.m_hWndItems);
    ItemNames names;
    ASSERT_EQ(ctrl.GetItemNames(names), 0);

    browser->m_view = MakeView(next.m_hWndView, {0, 1, 2, 3});
    ExpectLogged("failed: hWndActive == hWndView");
    EXPECT_EQ(ctrl.GetItemNames(names), -1);
    browser->m_view = view;
    EXPECT_EQ(ctrl.GetItemNames(names), 0);
    EXPECT_EQ(names, kGroupedNames);
    EXPECT_EQ(ctrl.SelectItem(0, 1, 1), 0);
    EXPECT_EQ(view->m_selected, (std::set<int>{1}));
}

// With extensions hidden, the names searched carry them; UI Automation finds the item by the
// name the view shows.
TEST_F(ExplorerCtrlTest, HiddenExtensionsAreSearchedButTheShownNameLocatesTheItem) {
    const auto hide = [](DWORD value) {
        RegSetKeyValueW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                        L"HideFileExt", REG_DWORD, &value, sizeof(value));
    };
    const ShownView shown = MakeShownView(m_frame.get());
    auto view = MakeView(shown.m_hWndView);
    auto browser = MakeDouble<CShellBrowserDouble>(ComPtr<IShellView>(view.Get()));
    SetWindowLongPtrW(m_frame.get(), GWLP_USERDATA, Answer(browser.Get()));
    CExplorerCtrl ctrl(shown.m_hWndItems);
    ItemNames names;
    hide(1);
    const int result = ctrl.GetItemNames(names);
    hide(0);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(names, kGroupedNames);
    EXPECT_EQ(ctrl.GetItemLabel(0, names[0]), L"b");
    EXPECT_EQ(ctrl.GetItemLabel(3, names[3]), L"c");
    EXPECT_EQ(ctrl.GetItemLabel(4, L"past the end"), L"past the end");
}

TEST(SearchableName, IsTheParsingNameWhereTheViewHidesTheExtension) {
    struct Case {
        const wchar_t* m_display;
        const wchar_t* m_parsing;
        const wchar_t* m_searched;
    };
    const Case cases[] = {
        {L"report", L"report.pdf", L"report.pdf"},
        {L"archive.tar", L"archive.tar.gz", L"archive.tar.gz"},
        {L"report.pdf", L"report.pdf", L"report.pdf"},
        // A localised folder name, a drive with its label, a virtual item: searched as shown.
        {L"\u30c9\u30ad\u30e5\u30e1\u30f3\u30c8", L"Documents",
         L"\u30c9\u30ad\u30e5\u30e1\u30f3\u30c8"},
        {L"Local Disk (C:)", L"C:\\", L"Local Disk (C:)"},
        {L"This PC", L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"This PC"},
        {L"name", L"name.", L"name"},
        {L"a", L"a.b\\c", L"a"},
        {L"x", L"", L"x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SearchableName(c.m_display, c.m_parsing), c.m_searched) << c.m_parsing;
    }
}

TEST(ShellWindowHandles, ComeInCollectionOrderAndStopAtAFailure) {
    const unique_com_init com(COINIT_APARTMENTTHREADED);
    const unique_hwnd first(MakeWindow(L"CabinetWClass", nullptr));
    const unique_hwnd second(MakeWindow(L"CabinetWClass", nullptr));
    using Entries = std::vector<ComPtr<IDispatch>>;
    auto listed = MakeDouble<CShellWindowsDouble>(
        Entries{MakeDouble<CBrowserDouble>(first.get()), nullptr,
                MakeDouble<CBrowserDouble>(second.get()), MakeDouble<CDispatchOnlyDouble>()});
    auto factory = MakeDouble<CClassFactoryDouble>(listed);
    const CRegisteredClass registration(CLSID_ShellWindows, factory.Get());
    ASSERT_TRUE(registration.IsRegistered());
    std::vector<HWND> handles = {nullptr};
    ExpectLogged("failed: query interface of IWebBrowserApp");
    EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1);
    EXPECT_EQ(handles, (std::vector<HWND>{first.get(), second.get()}));
    factory->m_hr = E_OUTOFMEMORY;
    ExpectLogged("failed: CoCreateInstance");
    EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1);
    EXPECT_TRUE(handles.empty());
}

// Explorer down or changing: each failed call is told by its own name, once a minute.
TEST(ShellWindowHandles, AFailedCallIsLoggedByItsName) {
    const unique_com_init com(COINIT_APARTMENTTHREADED);
    const unique_hwnd window(MakeWindow(L"CabinetWClass", nullptr));
    auto listed = MakeDouble<CShellWindowsDouble>(
        std::vector<ComPtr<IDispatch>>{MakeDouble<CBrowserDouble>(window.get())});
    auto factory = MakeDouble<CClassFactoryDouble>(listed);
    const CRegisteredClass registration(CLSID_ShellWindows, factory.Get());
    const std::pair<const char*, const char*> failures[] = {
        {"get_Count", "failed: psw->get_Count"},
        {"Item", "failed: m_psw->Item"},
        {"get_HWND", "failed: get_HWND"},
    };
    for (const auto& [call, logged] : failures) {
        CScopedFault fault(call);
        ExpectLogged(logged);
        std::vector<HWND> handles;
        EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1) << call;
        EXPECT_EQ(CExplorerCtrl::GetShellWindowHandles(handles), -1) << call;
        EXPECT_TRUE(handles.empty()) << call;
    }
}

} // namespace
