#pragma once
// The items of a shell view as a search reads them: each item's ID list (relative to the view's
// folder) and the name searched for it, in the order the view shows them, and what tells that
// the view changed since.
#include <windows.h>
#include <shobjidl.h>

#include <string>
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

// Reads every item; throws std::runtime_error naming the failed call ("failed: ...").
ShellItems ReadShellItems(IFolderView* pfv);

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
bool SameViewState(const ViewState& a, const ViewState& b);
