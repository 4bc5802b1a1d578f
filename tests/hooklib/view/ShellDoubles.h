#pragma once
// Stand-ins for the Shell windows collection that GetShellWindowHandles lists. Each injected
// failure is named after the call (see Fails).
#include <windows.h>
#include <exdisp.h>
#include <shobjidl.h>

#include <vector>

#include "ComDoubles.h"

template <class Interface> class CDispatchStubs : public Interface {
  public:
    SKIMVUE_NOT_CALLED(GetTypeInfoCount, UINT*)
    SKIMVUE_NOT_CALLED(GetTypeInfo, UINT, LCID, ITypeInfo**)
    SKIMVUE_NOT_CALLED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    SKIMVUE_NOT_CALLED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
};

// A shell window of the collection: it tells its top-level window (fault "get_HWND").
class CBrowserDouble : public CUnknownImpl<CDispatchStubs<IWebBrowserApp>> {
  public:
    explicit CBrowserDouble(HWND hWndTop) : m_hWndTop(hWndTop) {}

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

  protected:
    void* Find(REFIID riid) override;

  private:
    HWND m_hWndTop;
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
