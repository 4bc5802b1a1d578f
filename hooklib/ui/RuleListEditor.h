#pragma once
// The settings dialog's list of list-view rules: one row per rule, one cell per field, edited in
// place by a hidden edit control laid over the cell (double click, F2 or Enter starts an edit,
// Tab and Shift+Tab move it along the row, losing the focus commits it).
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "settings/TargetListView.h"

class CRuleListEditor {
  public:
    CRuleListEditor() = default;
    ~CRuleListEditor();
    CRuleListEditor(const CRuleListEditor&) = delete;
    CRuleListEditor& operator=(const CRuleListEditor&) = delete;

    // Takes over the list and the hidden edit control, and shows the rules.
    void Attach(HWND hWndList, HWND hWndEdit, const std::vector<TargetListView>& rules);
    // Gives the edit control its own procedure back: the controls outlive the dialog's
    // WM_DESTROY by a few messages.
    void Detach();

    // Adds a row after the last one, even when rows are selected.
    void AppendRule(const TargetListView& rule);
    void DeleteSelectedRules();
    // The rules as the rows show them, in row order.
    std::vector<TargetListView> Rules() const;

    // Enter: ends the edit under way, or starts one when the list has the focus.
    void OnEnter();
    // Notifications of the list: a double click edits the cell, F2 the first cell of the
    // focused row, Delete deletes the selected rows.
    void OnNotify(const NMHDR& header);

  private:
    static LRESULT CALLBACK EditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self) noexcept;
    void ShowColumns();
    void BeginCellEdit(int item, int subItem);
    void BeginKeyboardEdit();
    void PlaceCellEditor(int item, int subItem);
    void EndCellEdit();
    // Ends the edit and edits the cell step columns away in the same row, if there is one.
    void MoveCellEdit(int step);
    void CommitCellEdit();

    HWND m_hWndList = nullptr;
    HWND m_hWndEdit = nullptr;
    // The window that had the focus before the editor took it; set exactly while a cell is
    // being edited.
    HWND m_hWndPrevFocus = nullptr;
    int m_iEditItem = 0;
    int m_iEditSubItem = 0;
    wchar_t m_szEditText[260] = {};
};
