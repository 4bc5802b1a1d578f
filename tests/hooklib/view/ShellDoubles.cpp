#include "ShellDoubles.h"

#include <shlwapi.h>

#include <algorithm>

using Microsoft::WRL::ComPtr;

namespace {

// Fault: "GetDisplayName" from the item's index on.
class CShellItemDouble : public CUnknownImpl<IShellItem> {
  public:
    CShellItemDouble(std::wstring name, size_t index) : m_name(std::move(name)), m_index(index) {}

    SKIMVUE_NOT_CALLED(BindToHandler, IBindCtx*, REFGUID, REFIID, void**)
    SKIMVUE_NOT_CALLED(GetParent, IShellItem**)
    HRESULT STDMETHODCALLTYPE GetDisplayName(SIGDN sigdn, LPWSTR* name) override {
        *name = nullptr;
        if (Fails("GetDisplayName", m_index)) {
            return E_FAIL;
        }
        if (sigdn != SIGDN_NORMALDISPLAY) {
            return E_INVALIDARG;
        }
        return SHStrDupW(m_name.c_str(), name);
    }
    SKIMVUE_NOT_CALLED(GetAttributes, SFGAOF, SFGAOF*)
    SKIMVUE_NOT_CALLED(Compare, IShellItem*, SICHINTF, int*)

  protected:
    void* Find(REFIID riid) override {
        return riid == IID_IShellItem ? static_cast<IShellItem*>(this) : nullptr;
    }

  private:
    std::wstring m_name;
    size_t m_index;
};

// Faults: "GetCount", "GetItemAt" from an index on.
class CShellItemArrayDouble : public CUnknownImpl<IShellItemArray> {
  public:
    explicit CShellItemArrayDouble(Names names) : m_names(std::move(names)) {}

    SKIMVUE_NOT_CALLED(BindToHandler, IBindCtx*, REFGUID, REFIID, void**)
    SKIMVUE_NOT_CALLED(GetPropertyStore, GETPROPERTYSTOREFLAGS, REFIID, void**)
    SKIMVUE_NOT_CALLED(GetPropertyDescriptionList, REFPROPERTYKEY, REFIID, void**)
    SKIMVUE_NOT_CALLED(GetAttributes, SIATTRIBFLAGS, SFGAOF, SFGAOF*)
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
        if (Fails("GetCount")) {
            return E_FAIL;
        }
        *count = static_cast<DWORD>(m_names.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemAt(DWORD index, IShellItem** item) override {
        *item = nullptr;
        if (Fails("GetItemAt", index)) {
            return E_FAIL;
        }
        if (index >= m_names.size()) {
            return E_INVALIDARG;
        }
        *item = MakeDouble<CShellItemDouble>(m_names[index], index).Detach();
        return S_OK;
    }
    SKIMVUE_NOT_CALLED(EnumItems, IEnumShellItems**)

  protected:
    void* Find(REFIID riid) override {
        return riid == IID_IShellItemArray ? static_cast<IShellItemArray*>(this) : nullptr;
    }

  private:
    Names m_names;
};

HRESULT ServeFolderView(IFolderView* pfv, REFGUID service, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (Fails("QueryService") || service != SID_SFolderView || pfv == nullptr) {
        return E_NOINTERFACE;
    }
    return pfv->QueryInterface(riid, ppv);
}

} // namespace

HRESULT CFolderViewDouble::Items(UINT flags, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (Fails("Items")) {
        return E_FAIL;
    }
    if (riid != IID_IShellItemArray || (flags & SVGIO_TYPE_MASK) != SVGIO_ALLVIEW) {
        return E_INVALIDARG;
    }
    Names names = m_names;
    if ((flags & SVGIO_FLAG_VIEWORDER) == 0) {
        std::reverse(names.begin(), names.end());
    }
    *ppv = static_cast<IShellItemArray*>(MakeDouble<CShellItemArrayDouble>(names).Detach());
    return S_OK;
}

HRESULT CFolderViewDouble::SelectItem(int item, DWORD flags) {
    ++m_cSelectCalls;
    if (Fails("SelectItem")) {
        return E_FAIL;
    }
    if (flags & SVSI_DESELECTOTHERS) {
        m_selected.clear();
    }
    if (item < 0 || item >= static_cast<int>(m_names.size())) {
        return item == -1 ? S_OK : E_INVALIDARG;
    }
    if (flags & SVSI_SELECT) {
        m_selected.insert(item);
    }
    if (flags & SVSI_FOCUSED) {
        m_iFocused = item;
    }
    if (flags & SVSI_ENSUREVISIBLE) {
        m_iVisible = item;
    }
    return S_OK;
}

HRESULT CFolderViewDouble::GetWindow(HWND* hWnd) {
    *hWnd = m_hWndView;
    return m_hWndView != nullptr ? S_OK : E_FAIL;
}

void* CFolderViewDouble::Find(REFIID riid) {
    if (riid == IID_IFolderView) {
        return static_cast<IFolderView*>(this);
    }
    return riid == IID_IShellView || riid == IID_IOleWindow ? static_cast<IShellView*>(this)
                                                            : nullptr;
}

HRESULT CBrowserDouble::get_HWND(SHANDLE_PTR* hWnd) {
    if (Fails("get_HWND")) {
        return E_FAIL;
    }
    *hWnd = reinterpret_cast<SHANDLE_PTR>(m_hWndTop);
    return S_OK;
}

HRESULT CBrowserDouble::QueryService(REFGUID service, REFIID riid, void** ppv) {
    return ServeFolderView(m_pfv.Get(), service, riid, ppv);
}

void* CBrowserDouble::Find(REFIID riid) {
    if (riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp) {
        return static_cast<IWebBrowserApp*>(this);
    }
    if (riid == IID_IServiceProvider && m_bServices) {
        return static_cast<IServiceProvider*>(this);
    }
    return nullptr;
}

void* CDispatchOnlyDouble::Find(REFIID riid) {
    return riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
}

HRESULT CShellWindowsDouble::get_Count(LONG* count) {
    if (Fails("get_Count")) {
        return E_FAIL;
    }
    *count = static_cast<LONG>(m_entries.size());
    return S_OK;
}

HRESULT CShellWindowsDouble::Item(VARIANT index, IDispatch** folder) {
    *folder = nullptr;
    if (Fails("Item")) {
        return E_FAIL;
    }
    if (index.vt != VT_I4) {
        return E_INVALIDARG;
    }
    if (index.lVal < 0 || index.lVal >= static_cast<LONG>(m_entries.size()) ||
        !m_entries[index.lVal]) {
        return S_FALSE;
    }
    *folder = ComPtr<IDispatch>(m_entries[index.lVal]).Detach();
    return S_OK;
}

void* CShellWindowsDouble::Find(REFIID riid) {
    return riid == IID_IDispatch || riid == IID_IShellWindows ? static_cast<IShellWindows*>(this)
                                                              : nullptr;
}

HRESULT CShellBrowserDouble::QueryService(REFGUID service, REFIID riid, void** ppv) {
    return ServeFolderView(m_pfv.Get(), service, riid, ppv);
}

void* CShellBrowserDouble::Find(REFIID riid) {
    if (riid == IID_IOleWindow || riid == IID_IShellBrowser) {
        return static_cast<IShellBrowser*>(this);
    }
    return riid == IID_IServiceProvider ? static_cast<IServiceProvider*>(this) : nullptr;
}
