#include "ui/RuleListEditor.h"

#include <array>
#include <optional>

#include "support/Barrier.h"

namespace {

// Cell texts travel with room for 259 characters and the terminator.
constexpr int kCellTextRoom = 260;
// The cell editor reads at most 258 characters, as the cell it came from was read.
constexpr int kEditTextRoom = 259;
constexpr int kRuleColumns = 4;
constexpr LPARAM kRuleListExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
// The cell editor's one subclass.
constexpr UINT_PTR kEditSubclassId = 1;

constexpr std::array<const wchar_t*, kRuleColumns> kRuleColumnTitles{
    L"クラス", L"ファイル", L"ルートクラス", L"ルートオーナークラス"};

wchar_t* RuleField(TargetListView& rule, int column) {
    std::array<wchar_t*, kRuleColumns> fields{rule.ClsName, rule.ExeName, rule.RootClsName,
                                              rule.RootOwnerClsName};
    return fields[static_cast<size_t>(column)];
}

void SetCellText(HWND hWndList, int item, int subItem, const wchar_t* text) {
    LVITEMW cell{};
    cell.iSubItem = subItem;
    cell.pszText = const_cast<wchar_t*>(text);
    SendMessageW(hWndList, LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
}

void GetCellText(HWND hWndList, int item, int subItem, wchar_t* text, int room) {
    LVITEMW cell{};
    cell.iSubItem = subItem;
    cell.pszText = text;
    cell.cchTextMax = room;
    SendMessageW(hWndList, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
}

int RowCount(HWND hWndList) {
    return static_cast<int>(SendMessageW(hWndList, LVM_GETITEMCOUNT, 0, 0));
}

} // namespace

CRuleListEditor::~CRuleListEditor() {
    Detach();
}

void CRuleListEditor::Attach(HWND hWndList, HWND hWndEdit,
                             const std::vector<TargetListView>& rules) {
    m_hWndList = hWndList;
    m_hWndEdit = hWndEdit;
    ShowColumns();
    for (const TargetListView& rule : rules) {
        AppendRule(rule);
    }
    SetWindowSubclass(m_hWndEdit, EditProc, kEditSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CRuleListEditor::Detach() {
    if (m_hWndEdit != nullptr) {
        RemoveWindowSubclass(m_hWndEdit, EditProc, kEditSubclassId);
        m_hWndEdit = nullptr;
    }
}

void CRuleListEditor::ShowColumns() {
    SendMessageW(m_hWndList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kRuleListExStyle);
    SendMessageW(m_hWndList, LVM_DELETEALLITEMS, 0, 0);
    RECT client{};
    GetClientRect(m_hWndList, &client);
    for (int column = 0; column < kRuleColumns; ++column) {
        LVCOLUMNW header{};
        header.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        header.fmt = LVCFMT_LEFT;
        header.cx = client.right / kRuleColumns;
        header.pszText = const_cast<wchar_t*>(kRuleColumnTitles[static_cast<size_t>(column)]);
        SendMessageW(m_hWndList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&header));
    }
}

void CRuleListEditor::AppendRule(const TargetListView& rule) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount(m_hWndList);
    item.pszText = const_cast<wchar_t*>(rule.ClsName);
    const auto row = static_cast<int>(
        SendMessageW(m_hWndList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    SetCellText(m_hWndList, row, 1, rule.ExeName);
    SetCellText(m_hWndList, row, 2, rule.RootClsName);
    SetCellText(m_hWndList, row, 3, rule.RootOwnerClsName);
}

void CRuleListEditor::DeleteSelectedRules() {
    for (int row = RowCount(m_hWndList) - 1; row >= 0; --row) {
        if (SendMessageW(m_hWndList, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) {
            SendMessageW(m_hWndList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        }
    }
}

std::vector<TargetListView> CRuleListEditor::Rules() const {
    std::vector<TargetListView> rules(static_cast<size_t>(RowCount(m_hWndList)));
    for (size_t row = 0; row < rules.size(); ++row) {
        for (int column = 0; column < kRuleColumns; ++column) {
            GetCellText(m_hWndList, static_cast<int>(row), column, RuleField(rules[row], column),
                        kCellTextRoom);
        }
    }
    return rules;
}

void CRuleListEditor::BeginCellEdit(int item, int subItem) {
    m_iEditItem = item;
    m_iEditSubItem = subItem;
    GetCellText(m_hWndList, item, subItem, m_szEditText, kEditTextRoom);
    SetWindowTextW(m_hWndEdit, m_szEditText);
    SendMessageW(m_hWndEdit, EM_SETSEL, 0, -1);
    PlaceCellEditor(item, subItem);
    ShowWindow(m_hWndEdit, SW_SHOW);
    m_hWndPrevFocus = SetFocus(m_hWndEdit);
}

void CRuleListEditor::PlaceCellEditor(int item, int subItem) {
    RECT cell{};
    cell.top = subItem;
    cell.left = LVIR_BOUNDS;
    SendMessageW(m_hWndList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
    // The first column's bounds span the whole row; the columns' widths give its right edge.
    cell.right = 0;
    for (int column = 0; column <= subItem; ++column) {
        cell.right += static_cast<LONG>(SendMessageW(m_hWndList, LVM_GETCOLUMNWIDTH, column, 0));
    }
    MapWindowPoints(m_hWndList, GetParent(m_hWndEdit), reinterpret_cast<POINT*>(&cell), 2);
    SetWindowPos(m_hWndEdit, m_hWndList, cell.left + 1, cell.top, cell.right - cell.left - 1,
                 cell.bottom - cell.top - 1, 0);
}

void CRuleListEditor::BeginKeyboardEdit() {
    auto row = static_cast<int>(SendMessageW(m_hWndList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             LVNI_FOCUSED | LVNI_SELECTED));
    if (row < 0) {
        row = static_cast<int>(
            SendMessageW(m_hWndList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    if (row >= 0) {
        SendMessageW(m_hWndList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        BeginCellEdit(row, 0);
    }
}

void CRuleListEditor::EndCellEdit() {
    // The editor commits when it loses the focus.
    if (m_hWndPrevFocus != nullptr) {
        SetFocus(m_hWndPrevFocus);
    }
}

void CRuleListEditor::MoveCellEdit(int step) {
    const int item = m_iEditItem;
    const int subItem = m_iEditSubItem + step;
    EndCellEdit();
    if (subItem >= 0 && subItem < kRuleColumns) {
        BeginCellEdit(item, subItem);
    }
}

void CRuleListEditor::CommitCellEdit() {
    GetWindowTextW(m_hWndEdit, m_szEditText, kEditTextRoom);
    LVITEMW cell{};
    cell.mask = LVIF_TEXT;
    cell.iItem = m_iEditItem;
    cell.iSubItem = m_iEditSubItem;
    cell.pszText = m_szEditText;
    SendMessageW(m_hWndList, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
    ShowWindow(m_hWndEdit, SW_HIDE);
    m_hWndPrevFocus = nullptr;
}

void CRuleListEditor::OnEnter() {
    if (m_hWndPrevFocus != nullptr) {
        EndCellEdit();
    } else if (GetFocus() == m_hWndList) {
        BeginKeyboardEdit();
    }
}

void CRuleListEditor::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != m_hWndList) {
        return;
    }
    if (header.code == NM_DBLCLK) {
        const auto& item = reinterpret_cast<const NMITEMACTIVATE&>(header);
        if (item.iItem >= 0) {
            BeginCellEdit(item.iItem, item.iSubItem);
        }
    } else if (header.code == LVN_KEYDOWN) {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
        if (key == VK_F2) {
            BeginKeyboardEdit();
        } else if (key == VK_DELETE) {
            DeleteSelectedRules();
        }
    }
}

// Called by the system's control code: nothing may escape into the message loop of the program
// that shows the dialog.
LRESULT CALLBACK CRuleListEditor::EditProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) noexcept {
    const std::optional<LRESULT> handled =
        Barrier(L"InPlaceEditProc", std::optional<LRESULT>(), [&]() -> std::optional<LRESULT> {
            auto* editor = reinterpret_cast<CRuleListEditor*>(self);
            if (msg == WM_KILLFOCUS) {
                editor->CommitCellEdit();
            }
            // Tab and Shift+Tab move the edit to the next or previous cell of the row instead
            // of the dialog's focus to another control.
            if (msg == WM_GETDLGCODE) {
                return DefSubclassProc(hWnd, msg, wParam, lParam) | DLGC_WANTTAB;
            }
            if (msg == WM_KEYDOWN && wParam == VK_TAB) {
                editor->MoveCellEdit(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
                return 0;
            }
            if (msg == WM_CHAR && wParam == L'\t') {
                return 0;
            }
            return std::nullopt;
        });
    return handled ? *handled : DefSubclassProc(hWnd, msg, wParam, lParam);
}
