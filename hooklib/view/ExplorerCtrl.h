#pragma once
// The view controller of shell views (File Explorer's folder views, the common file dialogs):
// binds the view the attached item window belongs to through its browser host, in the window's
// own process and thread, reads the items in view order with their item ID lists and selects
// them by those lists, never by a position the view might number otherwise. The names are read
// ahead, while the view's thread is idle, after the attach and after every change it notices.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "support/UniqueHandle.h"
#include "view/ShellBinding.h"
#include "view/ShellItems.h"
#include "view/SysListView32Ctrl.h"
#include "view/WndCtrl.h"

class CExplorerCtrl : public CWndCtrl {
  public:
    // hWnd is the view's item window (the child of SHELLDLL_DefView). Initialises COM on the
    // calling thread.
    explicit CExplorerCtrl(HWND hWnd);
    ~CExplorerCtrl() override;
    CExplorerCtrl(const CExplorerCtrl&) = delete;
    CExplorerCtrl& operator=(const CExplorerCtrl&) = delete;

    // Names in view order. Kept between searches and read again only when the view changed.
    int GetItemNames(ItemNames& names) noexcept override;
    int SelectItem(int index, int deselectOthers, int focus) noexcept override;
    int SelectItems(const std::vector<int>& indices) noexcept override;
    int GetItemRect(int index, int ignored, RECT* rect) noexcept override;
    std::wstring GetItemLabel(int index, const std::wstring& name) const override;
    void NoteMessage(unsigned message) noexcept override;
    // The read-ahead's timer and the folder's change notifications.
    bool HandleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    // Whether the names of the bound view are read and stand for the next search as they are
    // (unless the view changed without telling: its count, folder or arrangement).
    bool HasNamesAhead() const noexcept { return m_itemsCurrent || m_ahead.has_value(); }

    // Top-level windows of all open shell windows. On failure the handles found before it stay.
    static int GetShellWindowHandles(std::vector<HWND>& handles) noexcept;

  private:
    // Binds the view, or keeps the binding while the browser still shows it. False when no host
    // binds it: reported once a minute, unless the item window is a list view whose own
    // messages stand in.
    bool EnsureBound();
    void Unbind();
    // Tells the shell to report changes of the bound folder to the item window.
    void WatchFolder();
    void ReadNames(ItemNames& names);
    // The names must be read again; the read starts when the thread is next idle.
    void MarkStale();
    void ScheduleReadAhead();
    // One short part of the read, from the timer: it stops as soon as another message waits.
    void ReadAhead();
    void StartRead(ViewState state);
    // Reads on until done or stop answers true; done, the items are kept for the next search.
    void ContinueRead(const std::function<bool()>& stop);
    void SelectBound(int index, int deselectOthers, int focus);
    // Whether the last read has a position index.
    bool HasItemAt(int index) const;
    // The item ID list kept for a position of the last read; throws for a position it lacks.
    PCUITEMID_CHILD PidlAt(int index) const;
    // Whether the list view's item index still holds the item of that position (the positions
    // were read as indices and nothing moved since): it can then be selected as an index.
    bool IsAtListIndex(int index) const;

    // First, so everything below is released before COM is uninitialised.
    unique_com_init m_comInit;
    CSysListView32Ctrl m_list;
    const bool m_isListView;
    ShellBinding m_binding;
    ShellItems m_items;
    ViewState m_state;
    // The names kept are those of the bound view as the last read found them; a list-view item
    // window's change messages and the folder's change notifications clear it.
    bool m_itemsCurrent = false;
    // A read begun ahead of a search, and the view as it was when it began.
    std::optional<CShellItemsReader> m_pending;
    ViewState m_pendingState;
    // A read done ahead, which the next search takes. Kept apart from m_items, whose positions
    // the current search's candidates still name.
    std::optional<ShellItems> m_ahead;
    ViewState m_aheadState;
    // Runs while names are to be read ahead.
    unique_window_timer m_readAheadTimer;
    // Ticks that found no host to bind since the timer was set.
    int m_failedBinds = 0;
    // Counts MarkStale calls: a read that saw one while it ran is dropped.
    unsigned m_changesNoticed = 0;
    // A read runs further up the stack.
    bool m_reading = false;
    // The bound folder's change notifications, registered to the item window.
    unique_change_notify m_folderWatch;
};
