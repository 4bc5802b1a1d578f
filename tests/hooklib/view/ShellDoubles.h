#pragma once
// Stand-ins for the Shell objects the Explorer controller talks to: the shell-window collection,
// a shell window's browser, a root window's shell browser, the folder view and its items.
// Each injected failure is named after the call (see Fails).
#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shobjidl.h>

#include <set>
#include <string>
#include <vector>

#include "ComDoubles.h"

using Names = std::vector<std::wstring>;

template <class Interface> class CDispatchStubs : public Interface {
  public:
    SKIMVUE_NOT_CALLED(GetTypeInfoCount, UINT*)
    SKIMVUE_NOT_CALLED(GetTypeInfo, UINT, LCID, ITypeInfo**)
    SKIMVUE_NOT_CALLED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    SKIMVUE_NOT_CALLED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
};

// A folder view over names in view order; asked without SVGIO_FLAG_VIEWORDER it answers in the
// reverse (storage) order. Faults: "Items", "SelectItem". Like the default view, it is also the
// shell view, whose window is hWndView (none told when null).
class CFolderViewDouble : public CUnknownImpl<IFolderView, IShellView> {
  public:
    explicit CFolderViewDouble(Names names, HWND hWndView = nullptr)
        : m_names(std::move(names)), m_hWndView(hWndView) {}

    SKIMVUE_NOT_CALLED(GetCurrentViewMode, UINT*)
    SKIMVUE_NOT_CALLED(SetCurrentViewMode, UINT)
    SKIMVUE_NOT_CALLED(GetFolder, REFIID, void**)
    SKIMVUE_NOT_CALLED(Item, int, PITEMID_CHILD*)
    SKIMVUE_NOT_CALLED(ItemCount, UINT, int*)
    HRESULT STDMETHODCALLTYPE Items(UINT flags, REFIID riid, void** ppv) override;
    SKIMVUE_NOT_CALLED(GetSelectionMarkedItem, int*)
    SKIMVUE_NOT_CALLED(GetFocusedItem, int*)
    SKIMVUE_NOT_CALLED(GetItemPosition, PCUITEMID_CHILD, POINT*)
    SKIMVUE_NOT_CALLED(GetSpacing, POINT*)
    SKIMVUE_NOT_CALLED(GetDefaultSpacing, POINT*)
    SKIMVUE_NOT_CALLED(GetAutoArrange)
    HRESULT STDMETHODCALLTYPE SelectItem(int item, DWORD flags) override;
    SKIMVUE_NOT_CALLED(SelectAndPositionItems, UINT, PCUITEMID_CHILD_ARRAY, POINT*, DWORD)

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hWnd) override;
    SKIMVUE_NOT_CALLED(ContextSensitiveHelp, BOOL)
    SKIMVUE_NOT_CALLED(TranslateAccelerator, MSG*)
    SKIMVUE_NOT_CALLED(EnableModeless, BOOL)
    SKIMVUE_NOT_CALLED(UIActivate, UINT)
    SKIMVUE_NOT_CALLED(Refresh)
    SKIMVUE_NOT_CALLED(CreateViewWindow, IShellView*, LPCFOLDERSETTINGS, IShellBrowser*, RECT*,
                       HWND*)
    SKIMVUE_NOT_CALLED(DestroyViewWindow)
    SKIMVUE_NOT_CALLED(GetCurrentInfo, LPFOLDERSETTINGS)
    SKIMVUE_NOT_CALLED(AddPropertySheetPages, DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM)
    SKIMVUE_NOT_CALLED(SaveViewState)
    SKIMVUE_NOT_CALLED(SelectItem, PCUITEMID_CHILD, SVSIF)
    SKIMVUE_NOT_CALLED(GetItemObject, UINT, REFIID, void**)

    Names m_names;
    std::set<int> m_selected;
    int m_iFocused = -1;
    int m_iVisible = -1;
    int m_cSelectCalls = 0;
    HWND m_hWndView;

  protected:
    void* Find(REFIID riid) override;
};

// Faults: "get_HWND". Without services it does not answer IServiceProvider; with them it hands
// out its folder view as SID_SFolderView (fault "QueryService").
class CBrowserDouble : public CUnknownImpl<CDispatchStubs<IWebBrowserApp>, IServiceProvider> {
  public:
    CBrowserDouble(HWND hWndTop, Microsoft::WRL::ComPtr<IFolderView> pfv, bool withServices = true)
        : m_hWndTop(hWndTop), m_pfv(std::move(pfv)), m_bServices(withServices) {}

    // Browsing elsewhere: the browser's view is another folder view object from now on.
    void Browse(Microsoft::WRL::ComPtr<IFolderView> pfv) { m_pfv = std::move(pfv); }

    SKIMVUE_NOT_CALLED(GoBack)
    SKIMVUE_NOT_CALLED(GoForward)
    SKIMVUE_NOT_CALLED(GoHome)
    SKIMVUE_NOT_CALLED(GoSearch)
    SKIMVUE_NOT_CALLED(Navigate, BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
    SKIMVUE_NOT_CALLED(Refresh)
    SKIMVUE_NOT_CALLED(Refresh2, VARIANT*)
    SKIMVUE_NOT_CALLED(Stop)
    SKIMVUE_NOT_CALLED(get_Application, IDispatch**)
    SKIMVUE_NOT_CALLED(get_Parent, IDispatch**)
    SKIMVUE_NOT_CALLED(get_Container, IDispatch**)
    SKIMVUE_NOT_CALLED(get_Document, IDispatch**)
    SKIMVUE_NOT_CALLED(get_TopLevelContainer, VARIANT_BOOL*)
    SKIMVUE_NOT_CALLED(get_Type, BSTR*)
    SKIMVUE_NOT_CALLED(get_Left, LONG*)
    SKIMVUE_NOT_CALLED(put_Left, LONG)
    SKIMVUE_NOT_CALLED(get_Top, LONG*)
    SKIMVUE_NOT_CALLED(put_Top, LONG)
    SKIMVUE_NOT_CALLED(get_Width, LONG*)
    SKIMVUE_NOT_CALLED(put_Width, LONG)
    SKIMVUE_NOT_CALLED(get_Height, LONG*)
    SKIMVUE_NOT_CALLED(put_Height, LONG)
    SKIMVUE_NOT_CALLED(get_LocationName, BSTR*)
    SKIMVUE_NOT_CALLED(get_LocationURL, BSTR*)
    SKIMVUE_NOT_CALLED(get_Busy, VARIANT_BOOL*)
    SKIMVUE_NOT_CALLED(Quit)
    SKIMVUE_NOT_CALLED(ClientToWindow, int*, int*)
    SKIMVUE_NOT_CALLED(PutProperty, BSTR, VARIANT)
    SKIMVUE_NOT_CALLED(GetProperty, BSTR, VARIANT*)
    SKIMVUE_NOT_CALLED(get_Name, BSTR*)
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* hWnd) override;
    SKIMVUE_NOT_CALLED(get_FullName, BSTR*)
    SKIMVUE_NOT_CALLED(get_Path, BSTR*)
    SKIMVUE_NOT_CALLED(get_Visible, VARIANT_BOOL*)
    SKIMVUE_NOT_CALLED(put_Visible, VARIANT_BOOL)
    SKIMVUE_NOT_CALLED(get_StatusBar, VARIANT_BOOL*)
    SKIMVUE_NOT_CALLED(put_StatusBar, VARIANT_BOOL)
    SKIMVUE_NOT_CALLED(get_StatusText, BSTR*)
    SKIMVUE_NOT_CALLED(put_StatusText, BSTR)
    SKIMVUE_NOT_CALLED(get_ToolBar, int*)
    SKIMVUE_NOT_CALLED(put_ToolBar, int)
    SKIMVUE_NOT_CALLED(get_MenuBar, VARIANT_BOOL*)
    SKIMVUE_NOT_CALLED(put_MenuBar, VARIANT_BOOL)
    SKIMVUE_NOT_CALLED(get_FullScreen, VARIANT_BOOL*)
    SKIMVUE_NOT_CALLED(put_FullScreen, VARIANT_BOOL)
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** ppv) override;

  protected:
    void* Find(REFIID riid) override;

  private:
    HWND m_hWndTop;
    Microsoft::WRL::ComPtr<IFolderView> m_pfv;
    bool m_bServices;
};

// An automation object in the collection that is not a browser.
class CDispatchOnlyDouble : public CUnknownImpl<CDispatchStubs<IDispatch>> {
  protected:
    void* Find(REFIID riid) override;
};

// The collection; null entries stand for slots without a window. Faults: "get_Count", "Item".
class CShellWindowsDouble : public CUnknownImpl<CDispatchStubs<IShellWindows>> {
  public:
    explicit CShellWindowsDouble(std::vector<Microsoft::WRL::ComPtr<IDispatch>> entries)
        : m_entries(std::move(entries)) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** folder) override;
    SKIMVUE_NOT_CALLED(_NewEnum, IUnknown**)
    SKIMVUE_NOT_CALLED(Register, IDispatch*, LONG, int, LONG*)
    SKIMVUE_NOT_CALLED(RegisterPending, LONG, VARIANT*, VARIANT*, int, LONG*)
    SKIMVUE_NOT_CALLED(Revoke, LONG)
    SKIMVUE_NOT_CALLED(OnNavigate, LONG, VARIANT*)
    SKIMVUE_NOT_CALLED(OnActivated, LONG, VARIANT_BOOL)
    SKIMVUE_NOT_CALLED(FindWindowSW, VARIANT*, VARIANT*, int, LONG*, int, IDispatch**)
    SKIMVUE_NOT_CALLED(OnCreated, LONG, IUnknown*)
    SKIMVUE_NOT_CALLED(ProcessAttachDetach, VARIANT_BOOL)

  protected:
    void* Find(REFIID riid) override;

  private:
    std::vector<Microsoft::WRL::ComPtr<IDispatch>> m_entries;
};

// What a root window hands out for CWM_GETISHELLBROWSER; serves its folder view
// (fault "QueryService").
class CShellBrowserDouble : public CUnknownImpl<IShellBrowser, IServiceProvider> {
  public:
    explicit CShellBrowserDouble(Microsoft::WRL::ComPtr<IFolderView> pfv) : m_pfv(std::move(pfv)) {}

    SKIMVUE_NOT_CALLED(GetWindow, HWND*)
    SKIMVUE_NOT_CALLED(ContextSensitiveHelp, BOOL)
    SKIMVUE_NOT_CALLED(InsertMenusSB, HMENU, LPOLEMENUGROUPWIDTHS)
    SKIMVUE_NOT_CALLED(SetMenuSB, HMENU, HOLEMENU, HWND)
    SKIMVUE_NOT_CALLED(RemoveMenusSB, HMENU)
    SKIMVUE_NOT_CALLED(SetStatusTextSB, LPCWSTR)
    SKIMVUE_NOT_CALLED(EnableModelessSB, BOOL)
    SKIMVUE_NOT_CALLED(TranslateAcceleratorSB, MSG*, WORD)
    SKIMVUE_NOT_CALLED(BrowseObject, PCUIDLIST_RELATIVE, UINT)
    SKIMVUE_NOT_CALLED(GetViewStateStream, DWORD, IStream**)
    SKIMVUE_NOT_CALLED(GetControlWindow, UINT, HWND*)
    SKIMVUE_NOT_CALLED(SendControlMsg, UINT, UINT, WPARAM, LPARAM, LRESULT*)
    SKIMVUE_NOT_CALLED(QueryActiveShellView, IShellView**)
    SKIMVUE_NOT_CALLED(OnViewWindowActive, IShellView*)
    SKIMVUE_NOT_CALLED(SetToolbarItems, LPTBBUTTONSB, UINT, UINT)
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** ppv) override;

  protected:
    void* Find(REFIID riid) override;

  private:
    Microsoft::WRL::ComPtr<IFolderView> m_pfv;
};
