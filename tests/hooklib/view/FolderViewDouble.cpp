#include "FolderViewDouble.h"

#include <shlobj.h>

#include <cstring>

using Microsoft::WRL::ComPtr;

CFolderViewDouble::CFolderViewDouble(IShellFolder* folder, const Names& files,
                                     std::vector<int> viewOrder, HWND hWndView)
    : m_folder(folder), m_viewOrder(std::move(viewOrder)), m_hWndView(hWndView) {
    for (const std::wstring& file : files) {
        std::wstring name = file;
        m_folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr,
                                   m_pidls.emplace_back().put(), nullptr);
    }
}

void* CFolderViewDouble::Find(REFIID riid) {
    if (riid == IID_IFolderView || riid == IID_IFolderView2) {
        return static_cast<IFolderView2*>(this);
    }
    return riid == IID_IShellView || riid == IID_IOleWindow ? static_cast<IShellView*>(this)
                                                            : nullptr;
}

// learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview-getfolder
HRESULT CFolderViewDouble::GetFolder(REFIID riid, void** ppv) {
    return m_folder->QueryInterface(riid, ppv);
}

// The item at an index of the view's own numbering, which grouping does not change
// (learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview-item).
HRESULT CFolderViewDouble::Item(int index, PITEMID_CHILD* pidl) {
    *pidl = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= m_pidls.size()) {
        return E_INVALIDARG;
    }
    *pidl = ILClone(m_pidls[static_cast<size_t>(index)].get());
    return S_OK;
}

// learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview-itemcount
HRESULT CFolderViewDouble::ItemCount(UINT flags, int* count) {
    *count = (flags & SVGIO_TYPE_MASK) == SVGIO_ALLVIEW ? static_cast<int>(m_pidls.size()) : 0;
    return S_OK;
}

// SVGIO_FLAG_VIEWORDER: the items in the order they appear in the view; without it, in index
// order (learn.microsoft.com/windows/win32/api/shobjidl_core/ne-shobjidl_core-_svgio and
// .../nf-shobjidl_core-ifolderview-items).
HRESULT CFolderViewDouble::Items(UINT flags, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (riid != IID_IShellItemArray || (flags & SVGIO_TYPE_MASK) != SVGIO_ALLVIEW) {
        return E_NOINTERFACE;
    }
    ++m_cItemsRead;
    std::vector<PCUITEMID_CHILD> pidls;
    for (size_t i = 0; i < m_pidls.size(); ++i) {
        const size_t index =
            (flags & SVGIO_FLAG_VIEWORDER) != 0 ? static_cast<size_t>(m_viewOrder[i]) : i;
        pidls.push_back(m_pidls[index].get());
    }
    return SHCreateShellItemArray(nullptr, m_folder.Get(), static_cast<UINT>(pidls.size()),
                                  pidls.data(), reinterpret_cast<IShellItemArray**>(ppv));
}

int CFolderViewDouble::IndexOf(PCUITEMID_CHILD pidl) const {
    for (size_t i = 0; i < m_pidls.size(); ++i) {
        if (HRESULT_CODE(m_folder->CompareIDs(0, pidl, m_pidls[i].get())) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The _SVSIF flags (learn.microsoft.com/windows/win32/api/shobjidl_core/ne-shobjidl_core-_svsif):
// DESELECTOTHERS clears the others, SELECT adds the item, FOCUSED gives it the focus,
// ENSUREVISIBLE scrolls to it, SELECTIONMARK makes it the anchor of range selections.
void CFolderViewDouble::Apply(int index, DWORD flags) {
    if ((flags & SVSI_DESELECTOTHERS) != 0) {
        m_selected.clear();
    }
    if ((flags & SVSI_SELECT) != 0) {
        m_selected.insert(index);
    }
    if ((flags & SVSI_FOCUSED) != 0) {
        m_iFocused = index;
    }
    if ((flags & SVSI_ENSUREVISIBLE) != 0) {
        m_iVisible = index;
    }
    if ((flags & SVSI_SELECTIONMARK) != 0) {
        m_iMarked = index;
    }
}

// By index (learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview-
// selectitem).
HRESULT CFolderViewDouble::SelectItem(int index, DWORD flags) {
    ++m_cSelectByIndex;
    if (index < 0 || static_cast<size_t>(index) >= m_pidls.size()) {
        return E_INVALIDARG;
    }
    Apply(index, flags);
    return S_OK;
}

// By item ID list (learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-
// ishellview-selectitem); an item the view does not hold is an invalid argument.
HRESULT CFolderViewDouble::SelectItem(PCUITEMID_CHILD pidl, SVSIF flags) {
    ++m_cSelectByPidl;
    const int index = IndexOf(pidl);
    if (index < 0) {
        return E_INVALIDARG;
    }
    Apply(index, static_cast<DWORD>(flags));
    return S_OK;
}

// Several items in one request; the positions are optional
// (learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview-
// selectandpositionitems).
HRESULT CFolderViewDouble::SelectAndPositionItems(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, POINT*,
                                                  DWORD flags) {
    ++m_cSelectMany;
    for (UINT i = 0; i < cidl; ++i) {
        const int index = IndexOf(apidl[i]);
        if (index < 0) {
            return E_INVALIDARG;
        }
        Apply(index, flags);
    }
    return S_OK;
}

// learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview2-getgroupby
HRESULT CFolderViewDouble::GetGroupBy(PROPERTYKEY* key, BOOL* ascending) {
    *key = PROPERTYKEY{};
    *ascending = TRUE;
    return S_OK;
}

// learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview2-
// getsortcolumncount and .../nf-shobjidl_core-ifolderview2-getsortcolumns
HRESULT CFolderViewDouble::GetSortColumnCount(int* count) {
    *count = static_cast<int>(m_sort.size());
    return S_OK;
}

HRESULT CFolderViewDouble::GetSortColumns(SORTCOLUMN* columns, int count) {
    if (count < 0 || static_cast<size_t>(count) > m_sort.size()) {
        return E_INVALIDARG;
    }
    std::copy(m_sort.begin(), m_sort.begin() + count, columns);
    return S_OK;
}

// learn.microsoft.com/windows/win32/api/oleidl/nf-oleidl-iolewindow-getwindow
HRESULT CFolderViewDouble::GetWindow(HWND* hWnd) {
    *hWnd = m_hWndView;
    return S_OK;
}

void* CShellBrowserDouble::Find(REFIID riid) {
    return riid == IID_IShellBrowser || riid == IID_IOleWindow ? static_cast<IShellBrowser*>(this)
                                                               : nullptr;
}

// The browser's current view; fails while it shows none
// (learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ishellbrowser-
// queryactiveshellview).
HRESULT CShellBrowserDouble::QueryActiveShellView(IShellView** view) {
    *view = nullptr;
    if (!m_view) {
        return E_FAIL;
    }
    *view = m_view.Get();
    m_view->AddRef();
    return S_OK;
}
