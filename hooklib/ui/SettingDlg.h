#pragma once
// The modal settings dialog: every setting, the list-view rules with an in-place cell editor
// and the window picker, and a help popup for the control under the mouse.
#include <windows.h>

#include <vector>

#include "settings/TargetListView.h"
#include "support/StdString.h"
#include "support/UniqueHandle.h"
#include "ui/InfoTip.h"

// One help area: hovering m_rcHover shows m_text at m_ptAnchor (both in dialog client
// coordinates), read from the hovered control and the anchor control.
struct ControlHint {
    RECT m_rcHover{};
    POINT m_ptAnchor{};
    CStdString m_text;
    HWND m_hWndHover = nullptr;
    HWND m_hWndAnchor = nullptr;
};

class CSettingDlg {
  public:
    // Becomes the process's one settings dialog; RunSettingDlg makes sure no other is open.
    CSettingDlg(HINSTANCE hInstance, HWND hWndParent);
    virtual ~CSettingDlg();
    CSettingDlg(const CSettingDlg&) = delete;
    CSettingDlg& operator=(const CSettingDlg&) = delete;

    // 1 after OK (the settings are stored), 2 after Cancel, -1 when no dialog could be shown.
    INT_PTR DoModal();
    HWND GetWnd() const { return m_hWnd; }
    const std::vector<ControlHint>& GetHints() const { return m_hints; }
    // Index into GetHints() of the hint being shown, -1 for none.
    int GetCurrentHint() const { return m_iCurrentHint; }

  private:
    static INT_PTR CALLBACK SettingDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                           LPARAM lParam) noexcept;
    static LRESULT CALLBACK InPlaceEditProc(HWND hWnd, UINT msg, WPARAM wParam,
                                            LPARAM lParam) noexcept;
    static LRESULT CALLBACK HintSubclassProc(HWND hWnd, UINT msg, WPARAM wParam,
                                             LPARAM lParam) noexcept;

    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnRuleListNotify(const NMHDR& header);
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    RECT ClientRectOf(HWND hWndControl) const;

    void OnInitDialog();
    void LoadIcons();
    void OnDpiScaled();
    void SetTitle();
    void ShowValues();
    void FillRuleList();
    // Adds a row after the last one, even when rows are selected.
    void AppendRuleRow(const TargetListView& rule);
    void AddHints();
    void AddHint(const wchar_t* text, int hoverId, int anchorId);
    void PlaceHint(ControlHint& hint) const;
    void HideHint();
    void OnMouseMove(POINT pt);
    void OnDestroy();
    void RestoreSubclasses();

    BOOL OnCommand(WORD id);
    void DeleteSelectedRules();
    void StoreValues();
    void StoreRules();

    void BeginCellEdit(int item, int subItem);
    // F2 or Enter in the rule list: edits the first cell of the focused selected row.
    void BeginKeyboardEdit();
    void PlaceCellEditor(int item, int subItem);
    void EndCellEdit();
    // Ends the edit and edits the cell step columns away in the same row, if there is one.
    void MoveCellEdit(int step);
    void CommitCellEdit();

    // The window picker (WindowPicker.cpp).
    void OnPickerButtonDown(int x, int y);
    void OnPickerDrag();
    void OnPickerButtonUp();
    // Escape during a drag: erases the frame and ends the drag without a question.
    void CancelPick();
    void EndDrag();
    void ConfirmPickedWindow();
    void SetAimIcon(HICON hIcon);

    HINSTANCE m_hInstance;
    HWND m_hWndParent;
    HWND m_hWnd = nullptr;
    unique_hicon m_hIconSmall;
    unique_hicon m_hAimRest;
    unique_hicon m_hAimEmpty;
    bool m_bDragging = false;
    HWND m_hWndHighlight = nullptr;
    TargetListView m_picked{};
    CInfoTip m_tip;
    std::vector<ControlHint> m_hints;
    int m_iCurrentHint = -1;
    HWND m_hWndPrevFocus = nullptr;
    int m_iEditItem = 0;
    int m_iEditSubItem = 0;
    wchar_t m_szEditText[260] = {};
    RECT m_rcEdit{};
};

// The settings dialog that is open in this process, or null.
CSettingDlg* GetCurrentSettingDlg();

// ShowSettingDlg: shows the settings dialog of this module over owner and saves the settings
// file after OK. While a dialog is open, brings that one to the front and returns.
void RunSettingDlg(HWND hWndOwner);
