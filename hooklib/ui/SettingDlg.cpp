#include "ui/SettingDlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "settings/KeyBinding.h"
#include "settings/KeyBindingCombo.h"
#include "settings/NumberField.h"
#include "settings/ParamFile.h"
#include "settings/ReservedKeys.h"
#include "settings/SharedBlock.h"
#include "support/Barrier.h"
#include "support/ModuleVersion.h"
#include "support/StdString.h"
#include "ui/DialogFont.h"
#include "ui/DialogLayout.h"
#include "ui/Dpi.h"
#include "ui/Resource.h"
#include "ui/SettingDlgResource.h"

namespace {

// Marks the open dialog's window, through which a second show finds it: one settings dialog per
// process.
constexpr wchar_t kDialogProperty[] = L"Skimvue.SettingDlg";
constexpr int kTitleLength = 256;
constexpr int kNumberTextLength = 1024;
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

bool IsBindingList(int id) {
    return std::any_of(
        kBindingControls.begin(), kBindingControls.end(),
        [id](const BindingControls& b) { return b.m_modifierId == id || b.m_keyId == id; });
}

// A string of the module's string table (LoadStringW with no buffer gives the resource text
// itself, which is not terminated).
std::wstring ResourceString(HINSTANCE hInstance, UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(hInstance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

void BringForward(HWND hWnd) {
    if (hWnd != nullptr) {
        SetForegroundWindow(hWnd);
        BringWindowToTop(hWnd);
    }
}

BOOL CALLBACK FindOpenDialog(HWND hWnd, LPARAM found) {
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (processId == GetCurrentProcessId() && GetPropW(hWnd, kDialogProperty) != nullptr) {
        *reinterpret_cast<HWND*>(found) = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The settings dialog open in this process, or null.
HWND OpenSettingDlg() {
    HWND found = nullptr;
    EnumWindows(FindOpenDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

CSettingDlg::CSettingDlg(HINSTANCE hInstance, HWND hWndParent)
    : m_hInstance(hInstance), m_hWndParent(hWndParent) {}

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
                                   m_hWndParent, SettingDlgProc, reinterpret_cast<LPARAM>(this));
}

void CSettingDlg::OnInitDialog() {
    m_picker.Attach(m_hWnd, Item(IDC_SETTING_AIM), m_hInstance);
    LoadIcons();
    SetTitle();
    // Before the rule list's columns are sized from its width.
    FitTextControls(m_hWnd);
    OrderTabsByLayout(m_hWnd);
    for (const BindingControls& binding : kBindingControls) {
        FillKeyBindingLists(Item(binding.m_modifierId), Item(binding.m_keyId));
    }
    ShowValues();
    ShowBindingWarning();
    m_rules.Attach(Item(IDC_SETTING_RULES), Item(IDC_SETTING_CELL_EDIT), TargetListViews);
    m_hints.Create(m_hWnd, m_hInstance);
    AddHints();
}

// At the sizes the DPI of the dialog's monitor asks for; a control drops the icon it showed only
// after it has the new one.
void CSettingDlg::LoadIcons() {
    const UINT dpi = DpiOfWindow(m_hWnd);
    unique_hicon smallIcon(LoadIconForDpi(m_hInstance, IDI_SETTING_SMALL, SM_CXSMICON, dpi));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    m_hIconSmall = std::move(smallIcon);
    m_picker.LoadIcons(dpi);
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
}

void CSettingDlg::AddHints() {
    for (const HintRow& row : kHintRows) {
        for (const int hoverId : row.m_hoverIds) {
            if (hoverId == 0) {
                break;
            }
            m_hints.Add(row.m_text, Item(hoverId), Item(row.m_anchorId));
        }
    }
}

void CSettingDlg::OnMouseMove(POINT pt) {
    if (m_picker.IsDragging()) {
        m_picker.OnDrag(m_hints.GetTipWnd());
    } else {
        m_hints.OnMouseMove(pt);
    }
}

// Beside the bindings, while one of them is a chord Explorer takes before its view; the names in
// the order of the rows.
void CSettingDlg::ShowBindingWarning() {
    std::wstring reserved;
    for (const BindingControls& binding : kBindingControls) {
        const KeyBinding chosen = ReadKeyBinding(Item(binding.m_modifierId), Item(binding.m_keyId));
        if (IsReservedByExplorer(chosen)) {
            reserved += (reserved.empty() ? L"" : L"、") + FormatKeyBinding(chosen).value_or(L"");
        }
    }
    HWND hWndWarning = Item(IDC_SETTING_BINDING_WARNING);
    if (reserved.empty()) {
        ShowWindow(hWndWarning, SW_HIDE);
        return;
    }
    CStdString text;
    text.Format(ResourceString(m_hInstance, IDS_SETTING_RESERVED_BINDING).c_str(),
                reserved.c_str());
    SetWindowTextW(hWndWarning, text.c_str());
    ShowWindow(hWndWarning, SW_SHOWNA);
}

BOOL CSettingDlg::OnCommand(WORD id) {
    switch (id) {
    case IDOK:
        // Enter: the OK button is 1024 and not the default, so IDOK only ends a cell edit, or
        // starts one in the rule list.
        m_rules.OnEnter();
        return TRUE;
    case IDC_SETTING_DELETE:
        m_rules.DeleteSelectedRules();
        return TRUE;
    case IDC_SETTING_OK:
        StoreValues();
        EndDialog(m_hWnd, 1);
        return TRUE;
    case IDCANCEL:
        // Escape during a drag ends the drag alone.
        if (m_picker.IsDragging()) {
            m_picker.Cancel();
        } else {
            EndDialog(m_hWnd, 2);
        }
        return TRUE;
    default:
        return FALSE;
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
    TargetListViews = m_rules.Rules();
    NumberOfTargetListView = static_cast<int32_t>(TargetListViews.size());
}

void CSettingDlg::OnDestroy() {
    if (m_picker.IsDragging()) {
        m_picker.Cancel();
    }
    m_hIconSmall.reset();
    m_hints.Destroy();
    m_rules.Detach();
    RemovePropW(m_hWnd, kDialogProperty);
}

INT_PTR CSettingDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_SELCHANGE && IsBindingList(LOWORD(wParam))) {
            ShowBindingWarning();
            return TRUE;
        }
        return OnCommand(LOWORD(wParam));
    case WM_NOTIFY:
        m_rules.OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
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
        // The aim's hint would sit in the way of the drag and could be taken for a target.
        if (m_picker.OnButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
            m_hints.Hide();
        }
        return FALSE;
    case WM_LBUTTONUP:
        if (const std::optional<TargetListView> rule = m_picker.OnButtonUp()) {
            m_rules.AppendRule(*rule);
        }
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    default:
        return FALSE;
    }
}

// Called by the system's dialog code: nothing may escape into the message loop of the program
// that shows the dialog. The object comes with WM_INITDIALOG and stays with the window.
INT_PTR CALLBACK CSettingDlg::SettingDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                             LPARAM lParam) noexcept {
    return Barrier(L"SettingDlgProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            auto* dialog = reinterpret_cast<CSettingDlg*>(lParam);
            SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
            SetPropW(hDlg, kDialogProperty, dialog);
            dialog->m_hWnd = hDlg;
        }
        auto* dialog = reinterpret_cast<CSettingDlg*>(GetWindowLongPtrW(hDlg, DWLP_USER));
        return dialog != nullptr ? dialog->OnMessage(msg, wParam, lParam) : FALSE;
    });
}

void RunSettingDlg(HWND hWndOwner) {
    if (HWND open = OpenSettingDlg()) {
        BringForward(open);
        return;
    }
    CSettingDlg dialog(GetThisModule(), hWndOwner);
    if (dialog.DoModal() == 1) {
        ExchangeParamFile(true);
    }
}
