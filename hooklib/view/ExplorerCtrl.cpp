#include "view/ExplorerCtrl.h"

#include <servprov.h>

#include <stdexcept>

#include "support/Barrier.h"
#include "support/EventLog.h"
#include "view/ComCheck.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace {

// A shell view's root window answers this with its IShellBrowser, without adding a reference.
constexpr UINT CWM_GETISHELLBROWSER = WM_USER + 7;
constexpr UINT kViewOrder =
    static_cast<UINT>(SVGIO_ALLVIEW) | static_cast<UINT>(SVGIO_FLAG_VIEWORDER);
constexpr DWORD kSelect = SVSI_SELECT;
constexpr DWORD kSelectAndFocus = SVSI_SELECT | SVSI_ENSUREVISIBLE | SVSI_FOCUSED;

ComPtr<IShellWindows> CreateShellWindows() {
    ComPtr<IShellWindows> psw;
    Check(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&psw)),
          "failed: CoCreateInstance");
    return psw;
}

struct ShellWindow {
    ComPtr<IWebBrowserApp> m_app;
    HWND m_hWndTop = nullptr;
};

struct ShellBrowser {
    ComPtr<IWebBrowserApp> m_app;
    ComPtr<IFolderView> m_pfv;
};

// Calls visit for each shell window in collection order until it returns true. Entries without
// an object are skipped; an entry that is not a browser fails the whole walk.
template <class Visit>
void ForEachShellWindow(IShellWindows* psw, const char* itemText, Visit visit) {
    LONG count = 0;
    Check(psw->get_Count(&count), "failed: psw->get_Count");
    for (LONG i = 0; i < count; ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ComPtr<IDispatch> item;
        Check(psw->Item(index, &item), itemText);
        if (!item) {
            continue;
        }
        ShellWindow window;
        Check(item.As(&window.m_app), "failed: query interface of IWebBrowserApp");
        SHANDLE_PTR hWnd = 0;
        Check(window.m_app->get_HWND(&hWnd), "failed: get_HWND");
        window.m_hWndTop = reinterpret_cast<HWND>(hWnd);
        if (visit(window)) {
            return;
        }
    }
}

ComPtr<IFolderView> QueryFolderView(IUnknown* browser) {
    ComPtr<IServiceProvider> provider;
    Check(browser->QueryInterface(IID_PPV_ARGS(&provider)),
          "failed: query interface of IServiceProvider");
    ComPtr<IFolderView> pfv;
    Check(provider->QueryService(SID_SFolderView, IID_PPV_ARGS(&pfv)),
          "failed: query interface of IFolderView");
    CheckNotNull(pfv, "failed: query interface of IFolderView");
    return pfv;
}

// The window of the shell view that the folder view object belongs to (its SHELLDLL_DefView),
// or null when the object does not tell. The default view is one object for both interfaces.
HWND ViewWindowOf(IFolderView* pfv) {
    ComPtr<IShellView> psv;
    HWND hWndView = nullptr;
    if (pfv == nullptr || FAILED(pfv->QueryInterface(IID_PPV_ARGS(&psv))) || !psv ||
        FAILED(psv->GetWindow(&hWndView))) {
        return nullptr;
    }
    return hWndView;
}

// The item view lies inside the view window ("DirectUIHWND" under "SHELLDLL_DefView"), or holds
// it (the "DirectUIHWND" under "DUIViewWndClassName" that frames a tab's view).
bool BelongsToView(HWND hWndView, HWND hWnd) {
    return hWndView != nullptr &&
           (hWndView == hWnd || IsChild(hWndView, hWnd) || IsChild(hWnd, hWndView));
}

// The shell window holding the item view hWnd, or none. Every tab of a File Explorer window is
// a shell window of its own with the same top-level window: of those, the one whose view holds
// the item view is meant. One whose view window is not told is taken only when no other is
// known to hold it.
ShellBrowser FindBrowserHolding(IShellWindows* psw, HWND hWnd) {
    const HWND hWndRoot = GetAncestor(hWnd, GA_ROOT);
    ShellBrowser matched;
    ShellBrowser untold;
    ForEachShellWindow(psw, "failed: psw->Item", [&](const ShellWindow& window) {
        if (!IsChild(window.m_hWndTop, hWnd) && hWndRoot != window.m_hWndTop) {
            return false;
        }
        ShellBrowser browser{window.m_app, QueryFolderView(window.m_app.Get())};
        const HWND hWndView = ViewWindowOf(browser.m_pfv.Get());
        if (BelongsToView(hWndView, hWnd)) {
            matched = std::move(browser);
            return true;
        }
        if (hWndView == nullptr && !untold.m_app) {
            untold = std::move(browser);
        }
        return false;
    });
    return matched.m_app ? matched : untold;
}

// The pointer the root window returns is only meaningful inside its own process.
IShellBrowser* AskRootForShellBrowser(HWND hWndRoot) {
    DWORD processId = 0;
    if (hWndRoot == nullptr || GetWindowThreadProcessId(hWndRoot, &processId) == 0 ||
        processId != GetCurrentProcessId()) {
        return nullptr;
    }
    return reinterpret_cast<IShellBrowser*>(SendMessageW(hWndRoot, CWM_GETISHELLBROWSER, 0, 0));
}

// Runs a read or a selection: a failed call answers -1 and is traced for developers, not logged
// for users (the connection's failure is), at most once a minute for the window: a view that
// cannot be read fails at every search. Anything else thrown is left to the entry's barrier.
template <class Body> int TracingFailure(const wchar_t* entry, HWND hWnd, Body body) {
    try {
        body();
        return 0;
    } catch (const std::runtime_error& e) {
        if (MayReportRepeatedFailure(hWnd)) {
            TraceFailure(entry, e.what());
        }
        return -1;
    }
}

} // namespace

CExplorerCtrl::CExplorerCtrl(HWND hWnd) : CWndCtrl(hWnd), m_comInit(COINIT_APARTMENTTHREADED) {}

CExplorerCtrl::~CExplorerCtrl() = default;

void CExplorerCtrl::Connect() noexcept {
    try {
        ConnectOrThrow();
    } catch (const std::exception& e) {
        m_bConnected = 0;
        ReportRepeatedErrorEvent(m_hWnd, e.what());
    } catch (...) {
        m_bConnected = 0;
        TraceFailure(L"CExplorerCtrl::Connect", nullptr);
    }
}

void CExplorerCtrl::ConnectOrThrow() {
    m_bConnected = 0;
    m_pfv.Reset();
    m_pWebBrowserApp.Reset();
    m_hWndView = nullptr;
    ComPtr<IShellWindows> psw = CreateShellWindows();
    CheckNotNull(psw, "failed: CoCreateInstance");
    if (m_hWnd == nullptr) {
        return;
    }
    ShellBrowser browser = FindBrowserHolding(psw.Get(), m_hWnd);
    psw.Reset();
    if (browser.m_app) {
        m_pWebBrowserApp = std::move(browser.m_app);
        m_pfv = std::move(browser.m_pfv);
    } else {
        ConnectThroughRootWindow();
    }
    const HWND hWndView = ViewWindowOf(m_pfv.Get());
    m_hWndView = BelongsToView(hWndView, m_hWnd) ? hWndView : nullptr;
    m_bConnected = 1;
}

bool CExplorerCtrl::StillBound() const {
    return m_hWndView == nullptr ||
           (ViewWindowOf(m_pfv.Get()) == m_hWndView && BelongsToView(m_hWndView, m_hWnd));
}

void CExplorerCtrl::DropStaleConnection() {
    if (m_bConnected == 1 && !StillBound()) {
        m_bConnected = 0;
    }
}

void CExplorerCtrl::ConnectThroughRootWindow() {
    const ComPtr<IShellBrowser> psb = AskRootForShellBrowser(GetAncestor(m_hWnd, GA_ROOT));
    CheckNotNull(psb, "failed: psb NULL");
    m_pfv = QueryFolderView(psb.Get());
}

int CExplorerCtrl::GetItemNames(ItemNames& names) noexcept {
    constexpr wchar_t kEntry[] = L"CExplorerCtrl::GetItemNames";
    return Barrier(kEntry, -1, [&] {
        return TracingFailure(kEntry, m_hWnd, [&] {
            DropStaleConnection();
            ReadItemNames(names);
        });
    });
}

void CExplorerCtrl::ReadItemNames(ItemNames& names) {
    if (m_bConnected == 0) {
        Connect();
    }
    CheckNotNull(m_pfv, "failed: m_pfv NULL");
    ComPtr<IShellItemArray> pArray;
    Check(m_pfv->Items(kViewOrder, IID_PPV_ARGS(&pArray)), "failed: m_pfv->Items");
    CheckNotNull(pArray, "failed: m_pfv->Items");
    DWORD count = 0;
    Check(pArray->GetCount(&count), "failed: pArray->GetCount");
    names.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IShellItem> item;
        Check(pArray->GetItemAt(i, &item), "failed: pArray->GetItemAt");
        CheckNotNull(item, "failed: pArray->GetItemAt");
        wchar_t* rawName = nullptr;
        Check(item->GetDisplayName(SIGDN_NORMALDISPLAY, &rawName),
              "failed: pArray->GetDisplayName");
        const unique_cotaskmem_string name(rawName);
        names[i] = name ? name.get() : L"";
    }
}

int CExplorerCtrl::SelectItem(int index, int deselectOthers, int focus) noexcept {
    constexpr wchar_t kEntry[] = L"CExplorerCtrl::SelectItem";
    return Barrier(kEntry, -1, [&] {
        return TracingFailure(kEntry, m_hWnd, [&] {
            DropStaleConnection();
            SelectOrThrow(index, deselectOthers, focus);
        });
    });
}

void CExplorerCtrl::SelectOrThrow(int index, int deselectOthers, int focus) {
    if (m_bConnected == 0) {
        Connect();
    }
    CheckNotNull(m_pfv, "failed: m_pfv NULL");
    // One call: the view deselects the others itself, touching only the items selected now.
    const DWORD flags = (focus == 1 ? kSelectAndFocus : kSelect) |
                        (deselectOthers == 1 ? static_cast<DWORD>(SVSI_DESELECTOTHERS) : 0);
    Check(m_pfv->SelectItem(index, flags), "failed: m_pfv->SelectItem");
}

int CExplorerCtrl::GetShellWindowHandles(std::vector<HWND>& handles) noexcept {
    try {
        handles.clear();
        const ComPtr<IShellWindows> psw = CreateShellWindows();
        CheckNotNull(psw, "failed: psw NULL");
        ForEachShellWindow(psw.Get(), "failed: m_psw->Item", [&](const ShellWindow& window) {
            handles.push_back(window.m_hWndTop);
            return false;
        });
        return 0;
    } catch (const std::exception& e) {
        // The launcher asks at every tick: while Explorer is down, once a minute is enough.
        ReportRepeatedErrorEvent(nullptr, e.what());
        return -1;
    } catch (...) {
        TraceFailure(L"CExplorerCtrl::GetShellWindowHandles", nullptr);
        return -1;
    }
}
