#pragma once
// Drives the real settings dialog under Wine: the dialog runs in RunSettingDlg on a thread of
// its own, as on the launcher's window thread, while the test moves the mouse and types with
// xdotool and looks at the controls.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "support/UniqueHandle.h"
#include "ui/SettingDlg.h"

// Runs ShowSettingDlg's work on a thread with an owner window like the launcher's: a timer
// that counts its ticks, and a message on which it asks for the dialog once more.
class CDialogThread {
  public:
    // show: what the launcher calls, RunSettingDlg or the library's export.
    explicit CDialogThread(void (*show)(HWND) = RunSettingDlg);
    ~CDialogThread();
    CDialogThread(const CDialogThread&) = delete;
    CDialogThread& operator=(const CDialogThread&) = delete;

    HWND Dialog() const { return m_hWndDialog; }
    HWND Owner() const { return m_hWndOwner; }
    HWND Item(int id) const { return GetDlgItem(m_hWndDialog, id); }
    // Waits (pumping this thread) until RunSettingDlg has returned.
    bool WaitClosed();
    bool Closed() const { return m_bClosed; }
    int TimerTicks() const { return m_cTicks; }
    // Makes the owner call RunSettingDlg again from inside the dialog's modal loop; true once
    // that call has returned.
    void AskAgain() const;
    bool AskAgainReturned() const { return m_bAskedAgain; }
    // A message box the dialog opened (title "Skimvue"), or null.
    HWND MessageBox() const;

  private:
    static LRESULT CALLBACK OwnerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Run();

    void (*m_show)(HWND);
    std::atomic<HWND> m_hWndOwner{nullptr};
    std::atomic<HWND> m_hWndDialog{nullptr};
    std::atomic<DWORD> m_threadId{0};
    std::atomic<int> m_cTicks{0};
    std::atomic<bool> m_bAskedAgain{false};
    std::atomic<bool> m_bClosed{false};
    std::thread m_thread;
};

// Screen centre of a window or control.
POINT CentreOf(HWND hWnd);
// Dialog units of the settings dialog to screen pixels.
POINT DialogPoint(HWND hDlg, int x, int y);

// Moves the mouse to pt and lets the dialog handle the move.
void MoveTo(POINT pt);

// Saves the whole screen as build/<bits>/screenshots/name beside the test's bin folder, after
// every window of this process has painted (unless repaint is false: an inverted frame drawn
// over a window would go).
void Screenshot(const std::wstring& name, bool repaint = true);

// Text of a window (a control of another thread reads through WM_GETTEXT).
std::wstring TextOf(HWND hWnd);
std::wstring CellText(HWND hWndList, int item, int subItem);
int RowCount(HWND hWndList);
