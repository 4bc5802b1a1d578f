#include "view/ExplorerCtrl.h"

#include <commctrl.h>
#include <exdisp.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <functional>

#include "support/Failure.h"
#include "support/FailureReport.h"
#include "support/Messages.h"

using Microsoft::WRL::ComPtr;

namespace {

// The found item: selected alone, focused, scrolled into view, and the anchor of a later
// Shift+arrow (IShellView::SelectItem, learn.microsoft.com/windows/win32/api/shobjidl_core/
// nf-shobjidl_core-ishellview-selectitem).
constexpr UINT kSelectFound = SVSI_SELECT | SVSI_FOCUSED | SVSI_ENSUREVISIBLE | SVSI_SELECTIONMARK;

bool HasListViewClass(HWND hWnd) {
    wchar_t name[32] = {};
    GetClassNameW(hWnd, name, static_cast<int>(std::size(name)));
    return std::wcscmp(name, WC_LISTVIEWW) == 0;
}

// The messages by which a view changes the items of its list-view item window (Wine's shlview.c
// and the classic view insert, delete, rename through LVM_SETITEM, and sort).
bool ChangesItems(unsigned message) {
    switch (message) {
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
    case LVM_DELETEITEM:
    case LVM_DELETEALLITEMS:
    case LVM_SETITEMA:
    case LVM_SETITEMW:
    case LVM_SETITEMTEXTA:
    case LVM_SETITEMTEXTW:
    case LVM_SORTITEMS:
    case LVM_SORTITEMSEX:
    case LVM_SETITEMCOUNT:
        return true;
    default:
        return false;
    }
}

// The read-ahead runs in parts, one at each tick of a timer: WM_TIMER is the last message
// GetMessage returns, after input, posted messages and painting, so a part starts only when the
// thread has nothing else to do, and it stops as soon as anything else waits in the queue. A key
// typed meanwhile waits for a few items' names at most.
constexpr UINT kReadAheadPeriod = USER_TIMER_MINIMUM;
constexpr auto kReadAheadPart = std::chrono::milliseconds(16);
// Items read between two looks at the clock and the queue.
constexpr unsigned kItemsPerLook = 8;
// A view attached while its browser is still making it the active one binds a few ticks later.
constexpr int kBindAttempts = 20;

// The folder's changes in the items it shows (creations, deletions, renames, attributes, a
// refresh), notified by the shell and, through the file system, for any program's change.
// SHChangeNotifyRegister, learn.microsoft.com/windows/win32/api/shlobj_core/
// nf-shlobj_core-shchangenotifyregister: SHCNRF_NewDelivery delivers through shared memory,
// opened with SHChangeNotification_Lock and freed with SHChangeNotification_Unlock.
constexpr int kWatchSources = SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery;

// The high word of GetQueueStatus tells what is in the queue now, whether seen before or not.
bool MessageWaiting() {
    return HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0;
}

bool SamePidl(PCUITEMID_CHILD a, PCUITEMID_CHILD b) {
    const UINT size = ILGetSize(a);
    return size == ILGetSize(b) && std::memcmp(a, b, size) == 0;
}

// Reads and selections fail at every search on a view that cannot be read: traced for developers,
// once a minute for the window, and never logged for users (a failed binding is).
constexpr FailureAudience kReadFailure = FailureAudience::Developer;

// Marks a read as running for as long as the reader works, however it ends.
class CReadingMark {
  public:
    explicit CReadingMark(bool& reading) : m_reading(reading) { reading = true; }
    ~CReadingMark() { m_reading = false; }
    CReadingMark(const CReadingMark&) = delete;
    CReadingMark& operator=(const CReadingMark&) = delete;

  private:
    bool& m_reading;
};

} // namespace

CExplorerCtrl::CExplorerCtrl(HWND hWnd)
    : CWndCtrl(hWnd), m_comInit(COINIT_APARTMENTTHREADED), m_list(hWnd),
      m_isListView(hWnd != nullptr && HasListViewClass(hWnd)) {
    ScheduleReadAhead();
}

CExplorerCtrl::~CExplorerCtrl() = default;

void CExplorerCtrl::Unbind() {
    m_folderWatch.reset();
    m_binding = ShellBinding();
    m_items = ShellItems();
    m_itemsCurrent = false;
    m_pending.reset();
    m_ahead.reset();
}

void CExplorerCtrl::WatchFolder() {
    const unique_pidl folder = FolderOf(m_binding.m_pfv.Get());
    if (!folder) {
        return;
    }
    // Non-recursive: the view shows the folder's own items only.
    SHChangeNotifyEntry entry{folder.get(), FALSE};
    m_folderWatch = unique_change_notify(SHChangeNotifyRegister(
        m_hWnd, kWatchSources, SHCNE_DISKEVENTS, WM_HOOK_SHELL_CHANGE, 1, &entry));
}

// Cheap at every new search: one question to the bound browser. A navigation or a tab switch
// that shows another view in the browser binds afresh.
bool CExplorerCtrl::EnsureBound() {
    const HWND hWndView = ShellViewWindowOf(m_hWnd);
    if (m_binding.m_psb && hWndView == m_binding.m_hWndView && IsStillActive(m_binding)) {
        return true;
    }
    Unbind();
    // Not bound is an answer, not a failure of the operation: the caller searches a list-view item
    // window through its own messages, and the read-ahead tries again at its next tick. Only a
    // view that nothing else stands in for is reported, to the user too.
    try {
        m_binding = BindShellView(hWndView);
        WatchFolder();
        return true;
    } catch (const CFailure&) {
        if (!m_isListView) {
            ReportCaughtFailure(L"CExplorerCtrl::EnsureBound", m_hWnd, FailureAudience::User);
        }
        return false;
    }
}

int CExplorerCtrl::GetItemNames(ItemNames& names) noexcept {
    return ReportingBarrier(L"CExplorerCtrl::GetItemNames", m_hWnd, kReadFailure, -1, [&] {
        if (m_hWnd == nullptr) {
            return -1;
        }
        if (!EnsureBound()) {
            // A list view that no browser host claims (an ExplorerBrowser whose host stays
            // silent) is still searched as the list view it is.
            return m_isListView ? m_list.GetItemNames(names) : -1;
        }
        ReadNames(names);
        return 0;
    });
}

// The names of the last read stand while the view says nothing changed: a list-view item window
// reports every change of its items through its messages (NoteMessage), the shell reports the
// folder's changes (WatchFolder); for any item window the number of items, the folder, the sort
// columns and the grouping are compared too. A read done ahead is taken, one begun ahead is
// finished here, unless the view changed since it began.
void CExplorerCtrl::ReadNames(ItemNames& names) {
    ViewState state = ReadViewState(m_binding.m_pfv.Get());
    if (!m_itemsCurrent || !SameViewState(state, m_state)) {
        if (!m_ahead || !SameViewState(state, m_aheadState)) {
            if (!m_pending || !SameViewState(state, m_pendingState)) {
                StartRead(std::move(state));
            }
            ContinueRead([] { return false; });
            // A change noticed while the read ran drops what it read.
            const bool unchangedWhileRead = m_ahead.has_value();
            SKIMVUE_CHECK(unchangedWhileRead);
        }
        m_items = std::move(*m_ahead);
        m_state = std::move(m_aheadState);
        m_ahead.reset();
        m_itemsCurrent = true;
    }
    names = m_items.m_names;
}

void CExplorerCtrl::StartRead(ViewState state) {
    KnownNames known = KnownNamesOf(m_ahead ? *m_ahead : m_items);
    m_ahead.reset();
    m_pending.reset();
    m_pending.emplace(m_binding.m_pfv.Get(), std::move(known));
    m_pendingState = std::move(state);
}

// The reader is held here while it reads: a change noticed meanwhile (a message the shell's
// calls let through) drops the read rather than the reader under it, and a timer tick meanwhile
// leaves it alone.
void CExplorerCtrl::ContinueRead(const std::function<bool()>& stop) {
    std::optional<CShellItemsReader> reader = std::exchange(m_pending, std::nullopt);
    const unsigned changes = m_changesNoticed;
    bool done = false;
    {
        const CReadingMark reading(m_reading);
        done = reader->Read(stop);
    }
    if (changes != m_changesNoticed) {
        return;
    }
    if (!done) {
        m_pending = std::move(reader);
        return;
    }
    m_ahead = reader->Take();
    m_aheadState = std::move(m_pendingState);
    m_readAheadTimer.reset();
}

void CExplorerCtrl::MarkStale() {
    ++m_changesNoticed;
    m_itemsCurrent = false;
    m_ahead.reset();
    m_pending.reset();
    ScheduleReadAhead();
}

// Set once, not at every change: a view filling itself sends a message per item.
void CExplorerCtrl::ScheduleReadAhead() {
    if (m_readAheadTimer || m_hWnd == nullptr) {
        return;
    }
    // The controller's address: no identifier the window's own code would choose.
    const auto id = reinterpret_cast<UINT_PTR>(this);
    if (SetTimer(m_hWnd, id, kReadAheadPeriod, nullptr) != 0) {
        m_readAheadTimer = unique_window_timer(m_hWnd, id);
        m_failedBinds = 0;
    }
}

void CExplorerCtrl::ReadAhead() {
    if (m_reading) {
        return;
    }
    if (!EnsureBound()) {
        if (++m_failedBinds >= kBindAttempts) {
            m_readAheadTimer.reset();
        }
        return;
    }
    if (!m_pending) {
        ViewState state = ReadViewState(m_binding.m_pfv.Get());
        if (m_ahead || (m_itemsCurrent && SameViewState(state, m_state))) {
            m_readAheadTimer.reset();
            return;
        }
        StartRead(std::move(state));
    }
    const auto end = std::chrono::steady_clock::now() + kReadAheadPart;
    unsigned read = 0;
    ContinueRead([&] {
        return ++read % kItemsPerLook == 0 &&
               (std::chrono::steady_clock::now() >= end || MessageWaiting());
    });
}

bool CExplorerCtrl::HasItemAt(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_items.m_pidls.size();
}

PCUITEMID_CHILD CExplorerCtrl::PidlAt(int index) const {
    SKIMVUE_CHECK(HasItemAt(index));
    return m_items.m_pidls[static_cast<size_t>(index)].get();
}

bool CExplorerCtrl::IsAtListIndex(int index) const {
    if (!m_isListView || !m_items.m_byIndex || !HasItemAt(index)) {
        return false;
    }
    unique_pidl current;
    if (FAILED(m_binding.m_pfv->Item(index, current.put()))) {
        return false;
    }
    return current && SamePidl(current.get(), PidlAt(index));
}

int CExplorerCtrl::SelectItem(int index, int deselectOthers, int focus) noexcept {
    return ReportingBarrier(L"CExplorerCtrl::SelectItem", m_hWnd, kReadFailure, -1, [&] {
        if (!m_binding.m_psv) {
            return m_isListView ? m_list.SelectItem(index, deselectOthers, focus) : -1;
        }
        SelectBound(index, deselectOthers, focus);
        return 0;
    });
}

void CExplorerCtrl::SelectBound(int index, int deselectOthers, int focus) {
    const PCUITEMID_CHILD pidl = PidlAt(index);
    if (IsAtListIndex(index)) {
        // The same item, checked by its ID list: selected through the list view's own messages,
        // which touch only the items whose state changes (Wine's view deselects by visiting
        // every item).
        m_list.SelectItem(index, deselectOthers, focus);
    } else {
        const UINT flags = (focus == 1 ? kSelectFound : static_cast<UINT>(SVSI_SELECT)) |
                           (deselectOthers == 1 ? static_cast<UINT>(SVSI_DESELECTOTHERS) : 0);
        SKIMVUE_CHECK_HR(m_binding.m_psv->SelectItem(pidl, flags));
    }
    if (focus == 1 && m_isListView) {
        // What SVSI_SELECTIONMARK asks, which Wine's view ignores: Shift+arrow extends from the
        // found item.
        const LRESULT focused =
            SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
        if (focused >= 0) {
            SendMessageW(m_hWnd, LVM_SETSELECTIONMARK, 0, focused);
        }
    }
}

// One request for all (IFolderView::SelectAndPositionItems, learn.microsoft.com/windows/win32/
// api/shobjidl_core/nf-shobjidl_core-ifolderview-selectandpositionitems); a view that lacks it
// (Wine's answers E_NOTIMPL) gets the items one by one.
int CExplorerCtrl::SelectItems(const std::vector<int>& indices) noexcept {
    return ReportingBarrier(L"CExplorerCtrl::SelectItems", m_hWnd, kReadFailure, -1, [&] {
        if (!m_binding.m_pfv || indices.empty()) {
            return CWndCtrl::SelectItems(indices);
        }
        std::vector<PCUITEMID_CHILD> pidls;
        pidls.reserve(indices.size());
        for (const int index : indices) {
            pidls.push_back(PidlAt(index));
        }
        if (SUCCEEDED(m_binding.m_pfv->SelectAndPositionItems(
                static_cast<UINT>(pidls.size()), pidls.data(), nullptr, SVSI_SELECT))) {
            return 0;
        }
        return CWndCtrl::SelectItems(indices);
    });
}

int CExplorerCtrl::GetItemRect(int index, int ignored, RECT* rect) noexcept {
    return ReportingBarrier(L"CExplorerCtrl::GetItemRect", m_hWnd, kReadFailure, -1, [&] {
        if (!m_binding.m_psv) {
            return m_isListView ? m_list.GetItemRect(index, ignored, rect) : -1;
        }
        return IsAtListIndex(index) ? m_list.GetItemRect(index, ignored, rect) : -1;
    });
}

std::wstring CExplorerCtrl::GetItemLabel(int index, const std::wstring& name) const {
    if (index < 0 || static_cast<size_t>(index) >= m_items.m_labels.size() ||
        m_items.m_labels[static_cast<size_t>(index)].empty()) {
        return name;
    }
    return m_items.m_labels[static_cast<size_t>(index)];
}

void CExplorerCtrl::NoteMessage(unsigned message) noexcept {
    if (m_isListView && ChangesItems(message)) {
        MarkStale();
    }
}

bool CExplorerCtrl::HandleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_TIMER && wParam == reinterpret_cast<UINT_PTR>(this)) {
        const bool read =
            ReportingBarrier(L"CExplorerCtrl::ReadAhead", m_hWnd, kReadFailure, false, [&] {
                ReadAhead();
                return true;
            });
        // A read that fails stops reading ahead; the next search reads again and reports.
        if (!read) {
            m_pending.reset();
            m_readAheadTimer.reset();
        }
        return true;
    }
    if (message == WM_HOOK_SHELL_CHANGE) {
        PIDLIST_ABSOLUTE* pidls = nullptr;
        LONG event = 0;
        const HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam),
                                                      static_cast<DWORD>(lParam), &pidls, &event);
        if (lock != nullptr) {
            SHChangeNotification_Unlock(lock);
        }
        MarkStale();
        return true;
    }
    return false;
}

namespace {

// The entries of the shell windows collection, one by one.
class CShellWindowEntries {
  public:
    explicit CShellWindowEntries(IShellWindows* psw) : m_psw(psw) {}

    // The top-level window of the entry at index, or null for an entry without an object. An
    // entry that is not a browser fails.
    HWND At(LONG index) const {
        VARIANT position;
        VariantInit(&position);
        position.vt = VT_I4;
        position.lVal = index;
        ComPtr<IDispatch> item;
        SKIMVUE_CHECK_HR(m_psw->Item(position, &item));
        if (!item) {
            return nullptr;
        }
        ComPtr<IWebBrowserApp> app;
        SKIMVUE_CHECK_QUERY(item, IWebBrowserApp, app);
        SHANDLE_PTR hWnd = 0;
        SKIMVUE_CHECK_HR_OF(app, get_HWND, &hWnd);
        return reinterpret_cast<HWND>(hWnd);
    }

  private:
    IShellWindows* m_psw;
};

} // namespace

int CExplorerCtrl::GetShellWindowHandles(std::vector<HWND>& handles) noexcept {
    // A caller that asks on a timer: while Explorer is down, once a minute is enough.
    return ReportingBarrier(L"CExplorerCtrl::GetShellWindowHandles", nullptr, FailureAudience::User,
                            -1, [&] {
                                handles.clear();
                                const unique_com_init com(COINIT_APARTMENTTHREADED);
                                ComPtr<IShellWindows> psw;
                                SKIMVUE_CHECK_HR(CoCreateInstance(CLSID_ShellWindows, nullptr,
                                                                  CLSCTX_ALL, IID_PPV_ARGS(&psw)));
                                SKIMVUE_CHECK_NOT_NULL(psw);
                                LONG count = 0;
                                SKIMVUE_CHECK_HR(psw->get_Count(&count));
                                const CShellWindowEntries entries(psw.Get());
                                for (LONG i = 0; i < count; ++i) {
                                    if (const HWND hWnd = entries.At(i)) {
                                        handles.push_back(hWnd);
                                    }
                                }
                                return 0;
                            });
}
