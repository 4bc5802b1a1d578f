#include "ui/SettingDlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>

#include "settings/KeyBindingCombo.h"
#include "settings/NumberField.h"
#include "settings/ParamFile.h"
#include "settings/SharedBlock.h"
#include "support/Barrier.h"
#include "support/ModuleVersion.h"
#include "ui/DialogFont.h"
#include "ui/DialogLayout.h"
#include "ui/Dpi.h"
#include "ui/Resource.h"
#include "ui/SettingDlgResource.h"

namespace {

// The dialog procedure and both subclass procedures reach the one open dialog through this.
CSettingDlg* CurrentSettingDlg = nullptr;
WNDPROC CellEditPrevProc = nullptr;
std::map<HWND, WNDPROC> HintSubclassProcs;

constexpr int kTitleLength = 256;
constexpr int kNumberTextLength = 1024;
// Cell texts travel with room for 259 characters and the terminator.
constexpr int kCellTextRoom = 260;
// The cell editor reads at most 258 characters, as the cell it came from was read.
constexpr int kEditTextRoom = 259;
constexpr int kRuleColumns = 4;
constexpr LPARAM kRuleListExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
// Posted to the dialog from WM_DPICHANGED, so it arrives after the dialog manager has scaled the
// dialog for the new monitor.
constexpr UINT WM_SETTING_DPI_SCALED = WM_APP + 1;

struct BindingControls {
    int m_modifierId;
    int m_keyId;
    KeyBinding SharedBlock::*m_binding;
};
constexpr std::array<BindingControls, 4> kBindingControls{{
    {IDC_SETTING_NEXT_MOD, IDC_SETTING_NEXT_KEY, &SharedBlock::KeyBind_Next},
    {IDC_SETTING_BACK_MOD, IDC_SETTING_BACK_KEY, &SharedBlock::KeyBind_Back},
    {IDC_SETTING_SELALL_MOD, IDC_SETTING_SELALL_KEY, &SharedBlock::KeyBind_SelAll},
    {IDC_SETTING_INPUT_MOD, IDC_SETTING_INPUT_KEY, &SharedBlock::KeyBind_Input},
}};

struct FlagControl {
    int m_id;
    int32_t* m_value;
};
std::array<FlagControl, 7> FlagControls() {
    return {{{IDC_SETTING_DISABLE_IME, &Shared.DisableIme},
             {IDC_SETTING_SHOW_TOOLTIP, &Shared.ShowToolTip},
             {IDC_SETTING_PRIOR_FORWARD, &Shared.PriorForwardMatch},
             {IDC_SETTING_MIGEMO_SHIFT, &Shared.SwitchMigemoByShift},
             {IDC_SETTING_ON_EXPLORER, &EnableOnExplorer},
             {IDC_SETTING_ON_FILEDIALOG, &Shared.EnableOnFileDialog},
             {IDC_SETTING_ON_LISTVIEW, &EnableOnListView}}};
}

constexpr std::array<const wchar_t*, kRuleColumns> kRuleColumnTitles{
    L"クラス", L"ファイル", L"ルートクラス", L"ルートオーナークラス"};

// Hover ids end at the first 0.
struct HintRow {
    std::array<int, 3> m_hoverIds;
    int m_anchorId;
    const wchar_t* m_text;
};
const HintRow kHintRows[] = {
    {{IDC_SETTING_LENGTH_LABEL, IDC_SETTING_ENABLE_LENGTH},
     IDC_SETTING_ENABLE_LENGTH,
     L"検索を開始する最小の文字数\r\n初期値:3\r\n最小値:2"},
    {{IDC_SETTING_INTERVAL_LABEL, IDC_SETTING_INPUT_INTERVAL},
     IDC_SETTING_INPUT_INTERVAL,
     L"キー入力の間隔がこの時間を越えると検索文字列をリセット\r\n初期値:2000"},
    {{IDC_SETTING_DISABLE_IME},
     IDC_SETTING_DISABLE_IME,
     L"検索文字列の入力開始時に自動的にIMEを無効にする\r\n初期値:OFF"},
    {{IDC_SETTING_SHOW_TOOLTIP},
     IDC_SETTING_SHOW_TOOLTIP,
     L"検索中にツールチップを表示する\r\n初期値:OFF"},
    {{IDC_SETTING_DELAY_LABEL, IDC_SETTING_AUTOPOP_DELAY},
     IDC_SETTING_AUTOPOP_DELAY,
     L"ツールチップを自動的に閉じるまでの時間\r\n初期値:2000\r\n自動的に閉じない:0"},
    {{IDC_SETTING_PRIOR_FORWARD},
     IDC_SETTING_PRIOR_FORWARD,
     L"前方一致した候補を優先して選択する\r\n初期値:OFF"},
    {{IDC_SETTING_MIGEMO_SHIFT},
     IDC_SETTING_MIGEMO_SHIFT,
     L"シフトキーを押している場合のみMigemoを有効にする\r\n初期値:OFF"},
    {{IDC_SETTING_NEXT_LABEL, IDC_SETTING_NEXT_MOD, IDC_SETTING_NEXT_KEY},
     IDC_SETTING_NEXT_KEY,
     L"次候補選択\r\n初期値:Alt+N"},
    {{IDC_SETTING_BACK_LABEL, IDC_SETTING_BACK_MOD, IDC_SETTING_BACK_KEY},
     IDC_SETTING_BACK_KEY,
     L"前候補選択\r\n初期値:Alt+B"},
    {{IDC_SETTING_SELALL_LABEL, IDC_SETTING_SELALL_MOD, IDC_SETTING_SELALL_KEY},
     IDC_SETTING_SELALL_KEY,
     L"全候補選択\r\n初期値:Alt+S"},
    {{IDC_SETTING_INPUT_LABEL, IDC_SETTING_INPUT_MOD, IDC_SETTING_INPUT_KEY},
     IDC_SETTING_INPUT_KEY,
     L"非Migemo検索用のダイアログ表示\r\n初期値:Alt+I"},
    {{IDC_SETTING_ON_EXPLORER},
     IDC_SETTING_ON_EXPLORER,
     L"エクスプローラー上でSkimvueを有効にする\r\n初期値:ON"},
    {{IDC_SETTING_ON_FILEDIALOG},
     IDC_SETTING_ON_FILEDIALOG,
     L"どのプログラムのファイルを開く・保存ダイアログでもSkimvueを有効にする\r\n初期値:OFF"},
    {{IDC_SETTING_EXCLUDE_LABEL, IDC_SETTING_EXCLUDE_EXES},
     IDC_SETTING_EXCLUDE_EXES,
     L"ファイルダイアログで有効にしない実行ファイル名\r\n;で区切る(例:a.exe;b.exe)"},
    {{IDC_SETTING_ON_LISTVIEW},
     IDC_SETTING_ON_LISTVIEW,
     L"エクスプローラー以外のリストビュー上でSkimvueを有効にする\r\n初期値:OFF"},
    {{IDC_SETTING_AIM, IDC_SETTING_RULES},
     IDC_SETTING_AIM,
     L"照準アイコンをドラッグして対象のリストビューを追加"},
    {{IDC_SETTING_DELETE}, IDC_SETTING_DELETE, L"下で選択している対象のリストビュー情報を削除"},
};

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

void BringForward(HWND hWnd) {
    if (hWnd != nullptr) {
        SetForegroundWindow(hWnd);
        BringWindowToTop(hWnd);
    }
}

} // namespace

CSettingDlg::CSettingDlg(HINSTANCE hInstance, HWND hWndParent)
    : m_hInstance(hInstance), m_hWndParent(hWndParent) {
    CurrentSettingDlg = this;
}

CSettingDlg::~CSettingDlg() {
    if (CurrentSettingDlg == this) {
        CurrentSettingDlg = nullptr;
    }
}

INT_PTR CSettingDlg::DoModal() {
    const std::vector<DWORD> dialogTemplate = LoadJapaneseDialogTemplate(m_hInstance, IDD_SETTING);
    if (dialogTemplate.empty()) {
        return -1;
    }
    // The rule list's window class is registered by the common controls library.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    return DialogBoxIndirectParamW(m_hInstance,
                                   reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                   m_hWndParent, SettingDlgProc, 0);
}

RECT CSettingDlg::ClientRectOf(HWND hWndControl) const {
    RECT rc{};
    GetWindowRect(hWndControl, &rc);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void CSettingDlg::OnInitDialog() {
    LoadIcons();
    SetTitle();
    // Before the rule list's columns are sized from its width.
    FitTextControls(m_hWnd);
    OrderTabsByLayout(m_hWnd);
    for (const BindingControls& binding : kBindingControls) {
        FillKeyBindingLists(Item(binding.m_modifierId), Item(binding.m_keyId));
    }
    ShowValues();
    CellEditPrevProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        Item(IDC_SETTING_CELL_EDIT), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InPlaceEditProc)));
    m_tip.Create(m_hWnd, m_hInstance);
    AddHints();
}

// At the sizes the DPI of the dialog's monitor asks for; a control drops the icon it showed only
// after it has the new one.
void CSettingDlg::LoadIcons() {
    const UINT dpi = DpiOfWindow(m_hWnd);
    unique_hicon smallIcon(LoadIconForDpi(m_hInstance, IDI_SETTING_SMALL, SM_CXSMICON, dpi));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    m_hIconSmall = std::move(smallIcon);
    m_hAimRest.reset(LoadIconForDpi(m_hInstance, IDI_AIM_REST, SM_CXICON, dpi));
    m_hAimEmpty.reset(LoadIconForDpi(m_hInstance, IDI_AIM_EMPTY, SM_CXICON, dpi));
    SetAimIcon(m_bDragging ? m_hAimEmpty.get() : m_hAimRest.get());
}

void CSettingDlg::OnDpiScaled() {
    LoadIcons();
    FitTextControls(m_hWnd);
}

void CSettingDlg::SetTitle() {
    wchar_t title[kTitleLength] = {};
    GetWindowTextW(m_hWnd, title, kTitleLength);
    CStdString text;
    text.Format(L"%s - Version%s", title, CModuleVersion().GetModuleFileVersion().c_str());
    SetWindowTextW(m_hWnd, text.c_str());
}

void CSettingDlg::ShowValues() {
    // Shown as they act: another process may have written anything into the shared block.
    SetDlgItemTextW(m_hWnd, IDC_SETTING_ENABLE_LENGTH,
                    std::to_wstring(EffectiveEnableLength()).c_str());
    SetDlgItemTextW(m_hWnd, IDC_SETTING_INPUT_INTERVAL,
                    std::to_wstring(EffectiveInputInterval()).c_str());
    SetDlgItemTextW(m_hWnd, IDC_SETTING_AUTOPOP_DELAY,
                    std::to_wstring(EffectiveToolTipAutoPopDelay()).c_str());
    for (const FlagControl& flag : FlagControls()) {
        CheckDlgButton(m_hWnd, flag.m_id, *flag.m_value != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
    for (const BindingControls& binding : kBindingControls) {
        ShowKeyBinding(Item(binding.m_modifierId), Item(binding.m_keyId),
                       EffectiveKeyBinding(binding.m_binding));
    }
    SendDlgItemMessageW(m_hWnd, IDC_SETTING_EXCLUDE_EXES, EM_LIMITTEXT,
                        kFileDialogExcludeLength - 1, 0);
    SetDlgItemTextW(m_hWnd, IDC_SETTING_EXCLUDE_EXES, ReadFileDialogExcludeExeNames().c_str());
    FillRuleList();
}

void CSettingDlg::FillRuleList() {
    HWND hWndList = Item(IDC_SETTING_RULES);
    SendMessageW(hWndList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kRuleListExStyle);
    SendMessageW(hWndList, LVM_DELETEALLITEMS, 0, 0);
    RECT client{};
    GetClientRect(hWndList, &client);
    for (int column = 0; column < kRuleColumns; ++column) {
        LVCOLUMNW header{};
        header.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        header.fmt = LVCFMT_LEFT;
        header.cx = client.right / kRuleColumns;
        header.pszText = const_cast<wchar_t*>(kRuleColumnTitles[static_cast<size_t>(column)]);
        SendMessageW(hWndList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&header));
    }
    for (const TargetListView& rule : TargetListViews) {
        AppendRuleRow(rule);
    }
}

void CSettingDlg::AppendRuleRow(const TargetListView& rule) {
    HWND hWndList = Item(IDC_SETTING_RULES);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount(hWndList);
    item.pszText = const_cast<wchar_t*>(rule.ClsName);
    const auto row = static_cast<int>(
        SendMessageW(hWndList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    SetCellText(hWndList, row, 1, rule.ExeName);
    SetCellText(hWndList, row, 2, rule.RootClsName);
    SetCellText(hWndList, row, 3, rule.RootOwnerClsName);
}

void CSettingDlg::AddHints() {
    for (const HintRow& row : kHintRows) {
        for (const int hoverId : row.m_hoverIds) {
            if (hoverId == 0) {
                break;
            }
            AddHint(row.m_text, hoverId, row.m_anchorId);
        }
    }
}

void CSettingDlg::AddHint(const wchar_t* text, int hoverId, int anchorId) {
    HWND hWndHover = Item(hoverId);
    ControlHint hint{RECT{}, POINT{}, text, hWndHover, Item(anchorId)};
    PlaceHint(hint);
    m_hints.push_back(hint);
    // Subclassing a control twice would make it call itself.
    if (HintSubclassProcs.contains(hWndHover)) {
        return;
    }
    HintSubclassProcs[hWndHover] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWndHover, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HintSubclassProc)));
}

void CSettingDlg::PlaceHint(ControlHint& hint) const {
    hint.m_rcHover = ClientRectOf(hint.m_hWndHover);
    const RECT anchor = ClientRectOf(hint.m_hWndAnchor);
    hint.m_ptAnchor = POINT{anchor.right, anchor.top};
}

void CSettingDlg::HideHint() {
    if (m_tip.GetWnd() != nullptr) {
        ShowWindow(m_tip.GetWnd(), SW_HIDE);
    }
    m_iCurrentHint = -1;
}

void CSettingDlg::OnMouseMove(POINT pt) {
    if (m_bDragging) {
        OnPickerDrag();
        return;
    }
    // The areas are read from the controls each time: they follow any new layout, such as the
    // one the system makes when the dialog moves to a monitor of another scale.
    for (ControlHint& hint : m_hints) {
        PlaceHint(hint);
    }
    const auto hint = std::find_if(m_hints.begin(), m_hints.end(), [pt](const ControlHint& h) {
        return PtInRect(&h.m_rcHover, pt) != FALSE;
    });
    if (hint == m_hints.end()) {
        HideHint();
        return;
    }
    const int index = static_cast<int>(hint - m_hints.begin());
    if (index == m_iCurrentHint) {
        return;
    }
    m_iCurrentHint = index;
    POINT anchor = hint->m_ptAnchor;
    ClientToScreen(m_hWnd, &anchor);
    m_tip.m_x = anchor.x;
    m_tip.m_y = anchor.y;
    m_tip.SetText(hint->m_text);
    // No hide timer: the hint stays until the mouse leaves every hint area.
    m_tip.Show(0);
}

void CSettingDlg::BeginCellEdit(int item, int subItem) {
    m_iEditItem = item;
    m_iEditSubItem = subItem;
    HWND hWndEdit = Item(IDC_SETTING_CELL_EDIT);
    GetCellText(Item(IDC_SETTING_RULES), item, subItem, m_szEditText, kEditTextRoom);
    SetWindowTextW(hWndEdit, m_szEditText);
    SendMessageW(hWndEdit, EM_SETSEL, 0, -1);
    PlaceCellEditor(item, subItem);
    ShowWindow(hWndEdit, SW_SHOW);
    m_hWndPrevFocus = SetFocus(hWndEdit);
}

void CSettingDlg::PlaceCellEditor(int item, int subItem) {
    HWND hWndList = Item(IDC_SETTING_RULES);
    RECT cell{};
    cell.top = subItem;
    cell.left = LVIR_BOUNDS;
    SendMessageW(hWndList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
    // The first column's bounds span the whole row; the columns' widths give its right edge.
    cell.right = 0;
    for (int column = 0; column <= subItem; ++column) {
        cell.right += static_cast<LONG>(SendMessageW(hWndList, LVM_GETCOLUMNWIDTH, column, 0));
    }
    MapWindowPoints(hWndList, m_hWnd, reinterpret_cast<POINT*>(&cell), 2);
    m_rcEdit = cell;
    SetWindowPos(Item(IDC_SETTING_CELL_EDIT), hWndList, cell.left + 1, cell.top,
                 cell.right - cell.left - 1, cell.bottom - cell.top - 1, 0);
}

void CSettingDlg::BeginKeyboardEdit() {
    HWND hWndList = Item(IDC_SETTING_RULES);
    auto row = static_cast<int>(SendMessageW(hWndList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                             LVNI_FOCUSED | LVNI_SELECTED));
    if (row < 0) {
        row = static_cast<int>(
            SendMessageW(hWndList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    if (row >= 0) {
        SendMessageW(hWndList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        BeginCellEdit(row, 0);
    }
}

void CSettingDlg::EndCellEdit() {
    // The editor commits when it loses the focus.
    if (m_hWndPrevFocus != nullptr) {
        SetFocus(m_hWndPrevFocus);
    }
}

void CSettingDlg::MoveCellEdit(int step) {
    const int item = m_iEditItem;
    const int subItem = m_iEditSubItem + step;
    EndCellEdit();
    if (subItem >= 0 && subItem < kRuleColumns) {
        BeginCellEdit(item, subItem);
    }
}

void CSettingDlg::CommitCellEdit() {
    HWND hWndEdit = Item(IDC_SETTING_CELL_EDIT);
    GetWindowTextW(hWndEdit, m_szEditText, kEditTextRoom);
    LVITEMW cell{};
    cell.mask = LVIF_TEXT;
    cell.iItem = m_iEditItem;
    cell.iSubItem = m_iEditSubItem;
    cell.pszText = m_szEditText;
    SendMessageW(Item(IDC_SETTING_RULES), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
    ShowWindow(hWndEdit, SW_HIDE);
    m_hWndPrevFocus = nullptr;
}

BOOL CSettingDlg::OnCommand(WORD id) {
    switch (id) {
    case IDOK:
        // Enter: the OK button is 1024 and not the default, so IDOK only ends a cell edit, or
        // starts one in the rule list.
        if (m_hWndPrevFocus != nullptr) {
            EndCellEdit();
        } else if (GetFocus() == Item(IDC_SETTING_RULES)) {
            BeginKeyboardEdit();
        }
        return TRUE;
    case IDC_SETTING_DELETE:
        DeleteSelectedRules();
        return TRUE;
    case IDC_SETTING_OK:
        StoreValues();
        EndDialog(m_hWnd, 1);
        return TRUE;
    case IDCANCEL:
        // Escape during a drag ends the drag alone.
        if (m_bDragging) {
            CancelPick();
        } else {
            EndDialog(m_hWnd, 2);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

void CSettingDlg::DeleteSelectedRules() {
    HWND hWndList = Item(IDC_SETTING_RULES);
    for (int row = RowCount(hWndList) - 1; row >= 0; --row) {
        if (SendMessageW(hWndList, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) {
            SendMessageW(hWndList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        }
    }
}

void CSettingDlg::StoreValues() {
    // A field that is not a number keeps the setting's value; a blank one stores 0.
    const auto number = [this](int id, int32_t current) {
        wchar_t text[kNumberTextLength] = {};
        GetDlgItemTextW(m_hWnd, id, text, kNumberTextLength);
        return ParseNumberField(text).value_or(current);
    };
    const auto flag = [this](int id) {
        return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0;
    };
    Shared.EnableLength = number(IDC_SETTING_ENABLE_LENGTH, Shared.EnableLength);
    Shared.InputInterval = static_cast<uint32_t>(
        number(IDC_SETTING_INPUT_INTERVAL, static_cast<int32_t>(Shared.InputInterval)));
    Shared.DisableIme = flag(IDC_SETTING_DISABLE_IME);
    Shared.ShowToolTip = flag(IDC_SETTING_SHOW_TOOLTIP);
    Shared.ToolTipAutoPopDelay = number(IDC_SETTING_AUTOPOP_DELAY, Shared.ToolTipAutoPopDelay);
    Shared.PriorForwardMatch = flag(IDC_SETTING_PRIOR_FORWARD);
    Shared.SwitchMigemoByShift = flag(IDC_SETTING_MIGEMO_SHIFT);
    for (const BindingControls& binding : kBindingControls) {
        Shared.*binding.m_binding =
            ReadKeyBinding(Item(binding.m_modifierId), Item(binding.m_keyId));
    }
    EnableOnExplorer = flag(IDC_SETTING_ON_EXPLORER);
    EnableOnListView = flag(IDC_SETTING_ON_LISTVIEW);
    Shared.EnableOnFileDialog = flag(IDC_SETTING_ON_FILEDIALOG);
    wchar_t exclude[kFileDialogExcludeLength] = {};
    GetDlgItemTextW(m_hWnd, IDC_SETTING_EXCLUDE_EXES, exclude, kFileDialogExcludeLength);
    StoreFileDialogExcludeExeNames(exclude);
    StoreRules();
}

void CSettingDlg::StoreRules() {
    HWND hWndList = Item(IDC_SETTING_RULES);
    const int rows = RowCount(hWndList);
    TargetListViews.resize(static_cast<size_t>(rows));
    NumberOfTargetListView = rows;
    for (int row = 0; row < rows; ++row) {
        // Cleared first, so a shorter text leaves nothing of the record's old one behind.
        TargetListView& rule = TargetListViews[static_cast<size_t>(row)] = TargetListView{};
        for (int column = 0; column < kRuleColumns; ++column) {
            GetCellText(hWndList, row, column, RuleField(rule, column), kCellTextRoom);
        }
    }
}

void CSettingDlg::OnDestroy() {
    if (m_bDragging) {
        CancelPick();
    }
    m_hIconSmall.reset();
    m_tip.Destroy();
    RestoreSubclasses();
}

// The controls outlive the dialog's WM_DESTROY by a few messages; they must end in their own
// procedures, and a later dialog must not find these handles in the map.
void CSettingDlg::RestoreSubclasses() {
    for (const auto& [hWndControl, prevProc] : HintSubclassProcs) {
        SetWindowLongPtrW(hWndControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevProc));
    }
    HintSubclassProcs.clear();
    if (CellEditPrevProc != nullptr) {
        SetWindowLongPtrW(Item(IDC_SETTING_CELL_EDIT), GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(CellEditPrevProc));
        CellEditPrevProc = nullptr;
    }
}

void CSettingDlg::OnRuleListNotify(const NMHDR& header) {
    if (header.idFrom != IDC_SETTING_RULES) {
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
            // Whatever the button does, the key does.
            SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SETTING_DELETE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(Item(IDC_SETTING_DELETE)));
        }
    }
}

INT_PTR CSettingDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_NOTIFY:
        OnRuleListNotify(*reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_DPICHANGED:
        // The dialog manager scales the dialog once this returns.
        PostMessageW(m_hWnd, WM_SETTING_DPI_SCALED, 0, 0);
        return FALSE;
    case WM_SETTING_DPI_SCALED:
        OnDpiScaled();
        return TRUE;
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return FALSE;
    case WM_LBUTTONDOWN:
        OnPickerButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return FALSE;
    case WM_LBUTTONUP:
        OnPickerButtonUp();
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    default:
        return FALSE;
    }
}

// The procedures below are called by the system's dialog and control code: nothing may
// escape them into the message loop of the program that shows the dialog.
INT_PTR CALLBACK CSettingDlg::SettingDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                             LPARAM lParam) noexcept {
    return Barrier(L"SettingDlgProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        CSettingDlg* dialog = CurrentSettingDlg;
        if (dialog == nullptr) {
            return FALSE;
        }
        if (msg == WM_INITDIALOG) {
            dialog->m_hWnd = hDlg;
        }
        return dialog->m_hWnd == hDlg ? dialog->OnMessage(msg, wParam, lParam) : FALSE;
    });
}

LRESULT CALLBACK CSettingDlg::InPlaceEditProc(HWND hWnd, UINT msg, WPARAM wParam,
                                              LPARAM lParam) noexcept {
    const auto previous = [&] {
        return CellEditPrevProc != nullptr
                   ? CallWindowProcW(CellEditPrevProc, hWnd, msg, wParam, lParam)
                   : DefWindowProcW(hWnd, msg, wParam, lParam);
    };
    const std::optional<LRESULT> handled =
        Barrier(L"InPlaceEditProc", std::optional<LRESULT>(), [&]() -> std::optional<LRESULT> {
            CSettingDlg* dialog = CurrentSettingDlg;
            if (dialog != nullptr && msg == WM_KILLFOCUS) {
                dialog->CommitCellEdit();
            }
            // Tab and Shift+Tab move the edit to the next or previous cell of the row instead
            // of the dialog's focus to another control.
            if (msg == WM_GETDLGCODE) {
                return previous() | DLGC_WANTTAB;
            }
            if (dialog != nullptr && msg == WM_KEYDOWN && wParam == VK_TAB) {
                dialog->MoveCellEdit(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
                return 0;
            }
            if (msg == WM_CHAR && wParam == L'\t') {
                return 0;
            }
            return std::nullopt;
        });
    return handled ? *handled : previous();
}

LRESULT CALLBACK CSettingDlg::HintSubclassProc(HWND hWnd, UINT msg, WPARAM wParam,
                                               LPARAM lParam) noexcept {
    const auto found = HintSubclassProcs.find(hWnd);
    if (found == HintSubclassProcs.end()) {
        return 0;
    }
    const WNDPROC prevProc = found->second;
    Barrier(L"HintSubclassProc", [&] {
        if (msg == WM_MOUSEMOVE && CurrentSettingDlg != nullptr) {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MapWindowPoints(hWnd, CurrentSettingDlg->m_hWnd, &pt, 1);
            CurrentSettingDlg->OnMouseMove(pt);
        }
    });
    return CallWindowProcW(prevProc, hWnd, msg, wParam, lParam);
}

CSettingDlg* GetCurrentSettingDlg() {
    return CurrentSettingDlg;
}

void RunSettingDlg(HWND hWndOwner) {
    if (CurrentSettingDlg != nullptr) {
        BringForward(CurrentSettingDlg->GetWnd());
        return;
    }
    CSettingDlg dialog(GetThisModule(), hWndOwner);
    if (dialog.DoModal() == 1) {
        ExchangeParamFile(true);
    }
}
