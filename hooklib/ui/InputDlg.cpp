#include "ui/InputDlg.h"

#include "support/Barrier.h"
#include "ui/Dpi.h"
#include "ui/Resource.h"

namespace {

// GetDlgItemTextW's limit counts the terminating NUL: at most 259 characters are kept.
constexpr int kTextLimit = 260;

} // namespace

CInputDlg::CInputDlg(HINSTANCE instance, HWND parent) : m_hInstance(instance), m_hParent(parent) {}

INT_PTR CInputDlg::DoModal() {
    // The object travels as the creation parameter, so dialogs on two threads never meet.
    return DialogBoxParamW(m_hInstance, MAKEINTRESOURCEW(IDD_INPUT), m_hParent, InputDlgProc,
                           reinterpret_cast<LPARAM>(this));
}

void CInputDlg::OnInitDialog() {
    // The caption's small icon at the size the DPI of the dialog's monitor asks for.
    m_hIcon.reset(LoadIconForDpi(m_hInstance, IDI_INPUT, SM_CXSMICON, DpiOfWindow(m_hWnd)));
    if (m_hIcon) {
        SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon.get()));
    }
    SetDlgItemTextW(m_hWnd, IDC_INPUT_TEXT, m_text.c_str());
}

void CInputDlg::OnOk() {
    wchar_t buffer[kTextLimit + 1] = {};
    GetDlgItemTextW(m_hWnd, IDC_INPUT_TEXT, buffer, kTextLimit);
    m_text = buffer;
    EndDialog(m_hWnd, IDOK);
}

INT_PTR CInputDlg::OnMessage(UINT msg, WPARAM wParam) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            OnOk();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(m_hWnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        m_hIcon.reset();
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CInputDlg::InputDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                         LPARAM lParam) noexcept {
    return Barrier(L"InputDlgProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
            auto* dialog = reinterpret_cast<CInputDlg*>(lParam);
            dialog->m_hWnd = hDlg;
            dialog->OnInitDialog();
            return TRUE;
        }
        auto* dialog = reinterpret_cast<CInputDlg*>(GetWindowLongPtrW(hDlg, DWLP_USER));
        return dialog ? dialog->OnMessage(msg, wParam) : FALSE;
    });
}

INT_PTR RunInputDialog(HINSTANCE module, HWND owner, std::wstring& text) {
    CInputDlg dialog(module, owner);
    const INT_PTR result = dialog.DoModal();
    if (result == IDOK) {
        text = dialog.GetText(); // NOLINT(cppcoreguidelines-slicing): the string is all it holds
    }
    return result;
}
