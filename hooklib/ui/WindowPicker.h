#pragma once
// The settings dialog's window picker: press on the aim icon, drag it over a window (which gets
// an inverted frame), release to offer that window as a new list-view rule.
#include <windows.h>

#include <optional>
#include <string>

#include "settings/TargetListView.h"
#include "support/UniqueHandle.h"

class CWindowPicker {
  public:
    CWindowPicker() = default;
    ~CWindowPicker() = default;
    CWindowPicker(const CWindowPicker&) = delete;
    CWindowPicker& operator=(const CWindowPicker&) = delete;
    CWindowPicker(CWindowPicker&&) = delete;
    CWindowPicker& operator=(CWindowPicker&&) = delete;

    void Attach(HWND hDlg, HWND hWndAim, HINSTANCE hInstance);
    // The aim's images at the sizes the DPI asks for; the aim shows the one of the state.
    void LoadIcons(UINT dpi);
    bool IsDragging() const { return m_bDragging; }
    // A press at pt (dialog client coordinates) on the aim starts a drag: true when it did.
    bool OnButtonDown(POINT pt);
    // The mouse moved during a drag: frames the window under it, unless it is hWndPassedOver.
    void OnDrag(HWND hWndPassedOver);
    // Ends the drag; the framed window's rule when the user agrees to add it.
    std::optional<TargetListView> OnButtonUp();
    // Escape during a drag: erases the frame and ends the drag without a question.
    void Cancel();

  private:
    void EndDrag();
    bool Confirmed() const;
    void SetAimIcon(HICON hIcon);

    HWND m_hDlg = nullptr;
    HWND m_hWndAim = nullptr;
    HINSTANCE m_hInstance = nullptr;
    unique_hicon m_hAimRest;
    unique_hicon m_hAimEmpty;
    bool m_bDragging = false;
    HWND m_hWndHighlight = nullptr;
    TargetListView m_picked{};
};

// The identity as a list-view rule: empty values become "*" so the rule does not restrict them;
// values longer than a rule field holds are cut to 259 characters.
TargetListView GetWindowIdentity(HWND hwnd);

// Copies text into a rule field, cut to 259 characters.
void CopyRuleField(wchar_t (&field)[kRuleFieldLength], const std::wstring& text);

// Inverts a 3-pixel band along the window's outer edge; a second call restores it.
void InvertWindowFrame(HWND hwnd);
