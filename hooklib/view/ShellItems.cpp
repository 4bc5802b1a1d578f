#include "view/ShellItems.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <cwchar>

#include "support/Failure.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kViewOrder =
    static_cast<UINT>(SVGIO_ALLVIEW) | static_cast<UINT>(SVGIO_FLAG_VIEWORDER);

// The item's ID list relative to its folder, copied out of the shell item.
unique_pidl ChildOf(IShellItem* item) {
    PIDLIST_ABSOLUTE raw = nullptr;
    SKIMVUE_CHECK_HR(SHGetIDListFromObject(item, &raw));
    const unique_pidl absolute(raw);
    return unique_pidl(SKIMVUE_CHECK_NOT_NULL(ILClone(ILFindLastID(absolute.get()))));
}

// SVGIO_FLAG_VIEWORDER lists the items in the order the view shows them (IFolderView::Items,
// learn.microsoft.com/windows/win32/api/shobjidl_core/nf-shobjidl_core-ifolderview-items), which
// grouping and arranging make differ from the index order. Null where the view cannot.
ComPtr<IShellItemArray> ViewOrderOf(IFolderView* pfv) {
    ComPtr<IShellItemArray> array;
    if (FAILED(pfv->Items(kViewOrder, IID_PPV_ARGS(&array)))) {
        return nullptr;
    }
    return array;
}

std::string PidlBytes(PCUITEMID_CHILD pidl) {
    return std::string(reinterpret_cast<const char*>(pidl), ILGetSize(pidl));
}

// The item's name in one form, or empty where the folder has none of that form.
std::wstring NameOf(IShellFolder* psf, PCUITEMID_CHILD pidl, SHGDNF flags) {
    STRRET name{};
    wchar_t text[MAX_PATH * 2] = {};
    if (FAILED(psf->GetDisplayNameOf(pidl, flags, &name)) ||
        FAILED(StrRetToBufW(&name, pidl, text, static_cast<UINT>(std::size(text))))) {
        return {};
    }
    return text;
}

bool SameSort(const std::vector<SORTCOLUMN>& a, const std::vector<SORTCOLUMN>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].direction != b[i].direction || !IsEqualPropertyKey(a[i].propkey, b[i].propkey)) {
            return false;
        }
    }
    return true;
}

std::vector<SORTCOLUMN> SortOf(IFolderView2* pfv2) {
    int count = 0;
    if (FAILED(pfv2->GetSortColumnCount(&count)) || count <= 0) {
        return {};
    }
    std::vector<SORTCOLUMN> sort(static_cast<size_t>(count));
    return SUCCEEDED(pfv2->GetSortColumns(sort.data(), count)) ? sort : std::vector<SORTCOLUMN>();
}

} // namespace

unique_pidl FolderOf(IFolderView* pfv) {
    ComPtr<IPersistFolder2> folder;
    unique_pidl current;
    if (FAILED(pfv->GetFolder(IID_PPV_ARGS(&folder))) || !folder ||
        FAILED(folder->GetCurFolder(current.put()))) {
        return unique_pidl();
    }
    return current;
}

KnownNames KnownNamesOf(const ShellItems& items) {
    KnownNames known;
    known.reserve(items.m_pidls.size());
    for (size_t i = 0; i < items.m_pidls.size(); ++i) {
        known.emplace(PidlBytes(items.m_pidls[i].get()),
                      std::make_pair(items.m_names[i], items.m_labels[i]));
    }
    return known;
}

CShellItemsReader::CShellItemsReader(IFolderView* pfv, KnownNames known)
    : m_pfv(pfv), m_array(ViewOrderOf(pfv)), m_known(std::move(known)) {
    SKIMVUE_CHECK_HR(pfv->GetFolder(IID_PPV_ARGS(&m_psf)));
    SKIMVUE_CHECK_NOT_NULL(m_psf);
    if (m_array) {
        DWORD count = 0;
        SKIMVUE_CHECK_HR(m_array->GetCount(&count));
        m_count = count;
    } else {
        // Index order (IFolderView::Item). It is the view order of a list-view item window,
        // which shows its items in index order; Wine's view answers Items with E_NOTIMPL.
        int count = 0;
        SKIMVUE_CHECK_HR(pfv->ItemCount(SVGIO_ALLVIEW, &count));
        m_count = count > 0 ? static_cast<size_t>(count) : 0;
        m_items.m_byIndex = true;
    }
    m_items.m_pidls.reserve(m_count);
    m_items.m_names.reserve(m_count);
    m_items.m_labels.reserve(m_count);
}

unique_pidl CShellItemsReader::PidlAt(size_t index) const {
    if (m_array) {
        ComPtr<IShellItem> item;
        SKIMVUE_CHECK_HR(m_array->GetItemAt(static_cast<DWORD>(index), &item));
        return ChildOf(SKIMVUE_CHECK_NOT_NULL(item).Get());
    }
    PITEMID_CHILD raw = nullptr;
    SKIMVUE_CHECK_HR(m_pfv->Item(static_cast<int>(index), &raw));
    return unique_pidl(SKIMVUE_CHECK_NOT_NULL(raw));
}

bool CShellItemsReader::Read(const std::function<bool()>& stop) {
    while (m_next < m_count) {
        unique_pidl pidl = PidlAt(m_next);
        const auto known = m_known.find(PidlBytes(pidl.get()));
        if (known != m_known.end()) {
            m_items.m_names.push_back(std::move(known->second.first));
            m_items.m_labels.push_back(std::move(known->second.second));
        } else {
            std::wstring display = NameOf(m_psf.Get(), pidl.get(), SHGDN_INFOLDER);
            std::wstring name = SearchableName(
                display, NameOf(m_psf.Get(), pidl.get(), SHGDN_INFOLDER | SHGDN_FORPARSING));
            m_items.m_labels.push_back(name != display ? std::move(display) : std::wstring());
            m_items.m_names.push_back(std::move(name));
        }
        m_items.m_pidls.push_back(std::move(pidl));
        ++m_next;
        if (stop()) {
            break;
        }
    }
    return IsDone();
}

std::wstring SearchableName(const std::wstring& display, const std::wstring& parsing) {
    // "report.pdf" shown as "report": the parsing name is the display name, a dot and a name
    // without a dot or a path separator. Names that differ otherwise (a folder shown under a
    // localised name, a drive with its label) are searched as shown.
    if (display.empty() || parsing.size() < display.size() + 2 ||
        parsing.compare(0, display.size(), display) != 0 || parsing[display.size()] != L'.') {
        return display;
    }
    const std::wstring_view extension = std::wstring_view(parsing).substr(display.size() + 1);
    return extension.find_first_of(L".\\/:") == std::wstring_view::npos ? parsing : display;
}

ViewState ReadViewState(IFolderView* pfv) {
    ViewState state;
    if (FAILED(pfv->ItemCount(SVGIO_ALLVIEW, &state.m_count))) {
        state.m_count = -1;
    }
    state.m_folder = FolderOf(pfv);
    ComPtr<IFolderView2> pfv2;
    if (SUCCEEDED(pfv->QueryInterface(IID_PPV_ARGS(&pfv2))) && pfv2) {
        state.m_sort = SortOf(pfv2.Get());
        if (FAILED(pfv2->GetGroupBy(&state.m_groupBy, &state.m_groupAscending))) {
            state.m_groupBy = PROPERTYKEY{};
            state.m_groupAscending = FALSE;
        }
    }
    return state;
}

bool SameViewState(const ViewState& a, const ViewState& b) {
    const bool sameFolder = !a.m_folder == !b.m_folder &&
                            (!a.m_folder || ILIsEqual(a.m_folder.get(), b.m_folder.get()));
    return a.m_count == b.m_count && sameFolder && SameSort(a.m_sort, b.m_sort) &&
           IsEqualPropertyKey(a.m_groupBy, b.m_groupBy) && a.m_groupAscending == b.m_groupAscending;
}
