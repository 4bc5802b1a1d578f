#pragma once
// The items of a shell view as a search reads them: each item's ID list (relative to the view's
// folder) and the name searched for it, in the order the view shows them, and what tells that
// the view changed since.
#include <windows.h>
#include <shobjidl.h>

#include <wrl/client.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "support/UniqueHandle.h"
#include "view/WndCtrl.h"

struct ShellItems {
    std::vector<unique_pidl> m_pidls;
    ItemNames m_names;
    // What the view shows for an item whose name is searched otherwise (its extension hidden);
    // empty where the two are the same.
    ItemNames m_labels;
    // The positions are the view's item indices: the items were read through IFolderView::Item,
    // as the view cannot list them in view order.
    bool m_byIndex = false;
};

// Names already read (the name searched and the label), by the bytes of the item's ID list: a
// read after a change asks the shell only for the items it has not seen. A file system item
// renamed or changed has another ID list (its name, size and times are in it).
using KnownNames = std::unordered_map<std::string, std::pair<std::wstring, std::wstring>>;
KnownNames KnownNamesOf(const ShellItems& items);

// Reads a view's items a part at a time, so that a read can be spread over the moments the
// view's thread is idle. Its calls throw CFailure (support/Failure.h) for a failed call.
class CShellItemsReader {
  public:
    // Takes the view's folder and the list of its items (or their count, read by index).
    explicit CShellItemsReader(IFolderView* pfv, KnownNames known = {});

    // Reads items until all are read (true) or stop answers true, asked after each item.
    bool Read(const std::function<bool()>& stop);
    bool IsDone() const { return m_next == m_count; }
    // What was read; the reader is spent.
    ShellItems Take() { return std::move(m_items); }

  private:
    unique_pidl PidlAt(size_t index) const;

    Microsoft::WRL::ComPtr<IFolderView> m_pfv;
    Microsoft::WRL::ComPtr<IShellFolder> m_psf;
    // The items in view order, where the view can list them so.
    Microsoft::WRL::ComPtr<IShellItemArray> m_array;
    size_t m_count = 0;
    size_t m_next = 0;
    ShellItems m_items;
    KnownNames m_known;
};

// The name a user reads for an item: its display name, or, where the view hides the item's
// extension, its parsing name (the display name with the extension).
std::wstring SearchableName(const std::wstring& display, const std::wstring& parsing);

// What changes with the view's items or their order, read cheaply at every new search: the
// number of items, the folder, the sort columns and the grouping. What a view cannot tell stays
// empty, and compares equal.
struct ViewState {
    int m_count = -1;
    unique_pidl m_folder;
    std::vector<SORTCOLUMN> m_sort;
    PROPERTYKEY m_groupBy{};
    BOOL m_groupAscending = FALSE;
};

ViewState ReadViewState(IFolderView* pfv);
// The view's folder as an absolute ID list, or null where the view cannot tell.
unique_pidl FolderOf(IFolderView* pfv);
bool SameViewState(const ViewState& a, const ViewState& b);
