#pragma once
// The modal dialog in which a whole search text is typed in an ordinary edit box, where the
// input method editor works as usual.
#include <windows.h>

#include <string>

#include "support/StdString.h"
#include "support/UniqueHandle.h"

class CInputDlg {
  public:
    // instance holds dialog 101 and icon 103; parent is the window the dialog is modal to.
    CInputDlg(HINSTANCE instance, HWND parent);
    virtual ~CInputDlg() = default;
    CInputDlg(const CInputDlg&) = delete;
    CInputDlg& operator=(const CInputDlg&) = delete;

    // The DialogBoxParamW result: IDOK, IDCANCEL, or something else when the dialog failed.
    INT_PTR DoModal();
    // The typed text after IDOK (at most 259 characters).
    const CStdString& GetText() const { return m_text; }

  private:
    static INT_PTR CALLBACK InputDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                         LPARAM lParam) noexcept;
    INT_PTR OnMessage(UINT msg, WPARAM wParam);
    void OnInitDialog();
    void OnOk();

    HINSTANCE m_hInstance;
    HWND m_hParent;
    HWND m_hWnd = nullptr;
    unique_hicon m_hIcon;
    CStdString m_text;
};

// Shows the input dialog of module over owner; on IDOK text receives what was typed.
INT_PTR RunInputDialog(HINSTANCE module, HWND owner, std::wstring& text);
