#pragma once
// The modal settings dialog: its pages of settings, loaded from the settings block when it opens
// and stored on OK; the list-view rules (CRuleListEditor) with the window picker that adds to
// them; and a help popup for the control under the mouse (CControlHints).
#include <windows.h>

#include "support/UniqueHandle.h"
#include "ui/ControlHints.h"
#include "ui/RuleListEditor.h"
#include "ui/WindowPicker.h"

class CSettingDlg {
  public:
    CSettingDlg(HINSTANCE hInstance, HWND hWndParent);
    virtual ~CSettingDlg() = default;
    CSettingDlg(const CSettingDlg&) = delete;
    CSettingDlg& operator=(const CSettingDlg&) = delete;

    // 1 after OK (the settings are stored), 2 after Cancel, -1 when no dialog could be shown.
    INT_PTR DoModal();

  private:
    static INT_PTR CALLBACK SettingDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                           LPARAM lParam) noexcept;

    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

    void OnInitDialog();
    void LoadIcons();
    void OnDpiScaled();
    void SetTitle();
    void ShowValues();
    void ShowBindingWarning();
    void AddHints();
    void OnMouseMove(POINT pt);
    void OnDestroy();

    BOOL OnCommand(WORD id);
    void StoreValues();

    HINSTANCE m_hInstance;
    HWND m_hWndParent;
    HWND m_hWnd = nullptr;
    unique_hicon m_hIconSmall;
    CWindowPicker m_picker;
    CRuleListEditor m_rules;
    CControlHints m_hints;
};

// ShowSettingDlg: shows the settings dialog of this module over owner and saves the settings
// file after OK. While a dialog is open in this process, brings that one to the front and
// returns.
void RunSettingDlg(HWND hWndOwner);
