#pragma once
// A stand-in for what Wine's shell view cannot show: Windows' default folder view (DefView) whose
// index order differs from its view order (a grouped view), and the browser that hosts it. The
// items are real: the double lists files of a real folder through the real shell folder, so the
// item ID lists and names are the shell's own. Each method models what its documentation says,
// not what the controller expects; the page is named at the method.
#include <windows.h>
#include <shobjidl.h>

#include <set>
#include <string>
#include <vector>

#include "ComDoubles.h"
#include "support/UniqueHandle.h"

using Names = std::vector<std::wstring>;

class CFolderViewDouble : public CUnknownImpl<IFolderView2, IShellView> {
  public:
    // Items are the files of folder (its IShellFolder) in index order, shown in viewOrder
    // (position -> index). hWndView is the view's window.
    CFolderViewDouble(IShellFolder* folder, const Names& files, std::vector<int> viewOrder,
                      HWND hWndView);

    // IFolderView
    SKIMVUE_NOT_CALLED(GetCurrentViewMode, UINT*)
    SKIMVUE_NOT_CALLED(SetCurrentViewMode, UINT)
    HRESULT STDMETHODCALLTYPE GetFolder(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE Item(int index, PITEMID_CHILD* pidl) override;
    HRESULT STDMETHODCALLTYPE ItemCount(UINT flags, int* count) override;
    HRESULT STDMETHODCALLTYPE Items(UINT flags, REFIID riid, void** ppv) override;
    SKIMVUE_NOT_CALLED(GetSelectionMarkedItem, int*)
    SKIMVUE_NOT_CALLED(GetFocusedItem, int*)
    SKIMVUE_NOT_CALLED(GetItemPosition, PCUITEMID_CHILD, POINT*)
    SKIMVUE_NOT_CALLED(GetSpacing, POINT*)
    SKIMVUE_NOT_CALLED(GetDefaultSpacing, POINT*)
    SKIMVUE_NOT_CALLED(GetAutoArrange)
    HRESULT STDMETHODCALLTYPE SelectItem(int index, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SelectAndPositionItems(UINT cidl, PCUITEMID_CHILD_ARRAY apidl,
                                                     POINT* apt, DWORD flags) override;
    // IFolderView2
    SKIMVUE_NOT_CALLED(SetGroupBy, REFPROPERTYKEY, BOOL)
    HRESULT STDMETHODCALLTYPE GetGroupBy(PROPERTYKEY* key, BOOL* ascending) override;
    SKIMVUE_NOT_CALLED(SetViewProperty, PCUITEMID_CHILD, REFPROPERTYKEY, REFPROPVARIANT)
    SKIMVUE_NOT_CALLED(GetViewProperty, PCUITEMID_CHILD, REFPROPERTYKEY, PROPVARIANT*)
    SKIMVUE_NOT_CALLED(SetTileViewProperties, PCUITEMID_CHILD, LPCWSTR)
    SKIMVUE_NOT_CALLED(SetExtendedTileViewProperties, PCUITEMID_CHILD, LPCWSTR)
    SKIMVUE_NOT_CALLED(SetText, FVTEXTTYPE, LPCWSTR)
    SKIMVUE_NOT_CALLED(SetCurrentFolderFlags, DWORD, DWORD)
    SKIMVUE_NOT_CALLED(GetCurrentFolderFlags, DWORD*)
    HRESULT STDMETHODCALLTYPE GetSortColumnCount(int* count) override;
    SKIMVUE_NOT_CALLED(SetSortColumns, const SORTCOLUMN*, int)
    HRESULT STDMETHODCALLTYPE GetSortColumns(SORTCOLUMN* columns, int count) override;
    SKIMVUE_NOT_CALLED(GetItem, int, REFIID, void**)
    SKIMVUE_NOT_CALLED(GetVisibleItem, int, BOOL, int*)
    SKIMVUE_NOT_CALLED(GetSelectedItem, int, int*)
    SKIMVUE_NOT_CALLED(GetSelection, BOOL, IShellItemArray**)
    SKIMVUE_NOT_CALLED(GetSelectionState, PCUITEMID_CHILD, DWORD*)
    SKIMVUE_NOT_CALLED(InvokeVerbOnSelection, LPCSTR)
    SKIMVUE_NOT_CALLED(SetViewModeAndIconSize, FOLDERVIEWMODE, int)
    SKIMVUE_NOT_CALLED(GetViewModeAndIconSize, FOLDERVIEWMODE*, int*)
    SKIMVUE_NOT_CALLED(SetGroupSubsetCount, UINT)
    SKIMVUE_NOT_CALLED(GetGroupSubsetCount, UINT*)
    SKIMVUE_NOT_CALLED(SetRedraw, BOOL)
    SKIMVUE_NOT_CALLED(IsMoveInSameFolder)
    SKIMVUE_NOT_CALLED(DoRename)

    // IShellView
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
    HRESULT STDMETHODCALLTYPE SelectItem(PCUITEMID_CHILD pidl, SVSIF flags) override;
    SKIMVUE_NOT_CALLED(GetItemObject, UINT, REFIID, void**)

    // What the view shows, by index.
    std::set<int> m_selected;
    int m_iFocused = -1;
    int m_iMarked = -1;
    int m_iVisible = -1;
    // Requests, by kind.
    int m_cSelectByIndex = 0;
    int m_cSelectByPidl = 0;
    int m_cSelectMany = 0;
    int m_cItemsRead = 0;
    std::vector<SORTCOLUMN> m_sort;

  protected:
    void* Find(REFIID riid) override;

  private:
    int IndexOf(PCUITEMID_CHILD pidl) const;
    void Apply(int index, DWORD flags);

    Microsoft::WRL::ComPtr<IShellFolder> m_folder;
    std::vector<unique_pidl> m_pidls;
    std::vector<int> m_viewOrder;
    HWND m_hWndView;
};

// A browser host's browser (IShellBrowser): its active view, or none (a tab whose page is no
// folder view).
class CShellBrowserDouble : public CUnknownImpl<IShellBrowser> {
  public:
    explicit CShellBrowserDouble(Microsoft::WRL::ComPtr<IShellView> view)
        : m_view(std::move(view)) {}

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
    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override;
    SKIMVUE_NOT_CALLED(OnViewWindowActive, IShellView*)
    SKIMVUE_NOT_CALLED(SetToolbarItems, LPTBBUTTONSB, UINT, UINT)

    // Navigating or switching pages shows another view from now on.
    Microsoft::WRL::ComPtr<IShellView> m_view;

  protected:
    void* Find(REFIID riid) override;
};
