#pragma once
// The view controller of Explorer folder views: reads and selects items through the shell
// window that contains the view and its folder view object.
#include <windows.h>
#include <exdisp.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <vector>

#include "support/UniqueHandle.h"
#include "view/WndCtrl.h"

class CExplorerCtrl : public CWndCtrl {
  public:
    // Initialises COM on the calling thread; a null window makes the unbound instance, which
    // only keeps COM alive for GetShellWindowHandles.
    explicit CExplorerCtrl(HWND hWnd);
    ~CExplorerCtrl() override;

    // Finds the folder view of the shell window (of the tab, in a window with tabs) holding the
    // view; a failure is logged once and leaves the controller unconnected, so the next use
    // tries again.
    void Connect() noexcept;
    // Names in view order. An empty display name clears its entry. 0, or -1 on failure.
    int GetItemNames(ItemNames& names) noexcept override;
    int SelectItem(int index, int deselectOthers, int focus) noexcept override;

    // Top-level windows of all open shell windows. On failure the handles found before it stay.
    static int GetShellWindowHandles(std::vector<HWND>& handles) noexcept;

  private:
    void ConnectOrThrow();
    void ConnectThroughRootWindow();
    // Whether the connected view still holds the attached window; a connection whose view window
    // was not told is never doubted.
    bool StillBound() const;
    // Leaves the controller unconnected when the connection no longer holds, so the next read or
    // selection connects afresh.
    void DropStaleConnection();
    void ReadItemNames(ItemNames& names);
    void SelectOrThrow(int index, int deselectOthers, int focus);

    int m_bConnected = 0;
    // First, so the interfaces below are released before COM is uninitialised.
    unique_com_init m_comInit;
    Microsoft::WRL::ComPtr<IWebBrowserApp> m_pWebBrowserApp;
    Microsoft::WRL::ComPtr<IFolderView> m_pfv;
    // The window of the connected view, when the view told it and it holds the attached window.
    HWND m_hWndView = nullptr;
};
