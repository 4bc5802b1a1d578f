#pragma once
// One shell view of the benchmark, seen from the benchmark: Wine's file browser
// (explorer.exe FOLDER) or the Open dialog of the dialog target over a real folder, with the
// benchmark's probe (ShellProbe.cpp) hooked into the view's thread to time the keys typed there.
#include <windows.h>

#include <string>
#include <vector>

#include "ShellReport.h"
#include "support/UniqueHandle.h"

enum class ShellView { kBrowser, kDialog };

class CShellTarget {
  public:
    // Starts the view over folder; probe is the probe library as loaded in this process.
    CShellTarget(ShellView view, const std::wstring& folder, HMODULE probe);
    ~CShellTarget();
    CShellTarget(const CShellTarget&) = delete;
    CShellTarget& operator=(const CShellTarget&) = delete;

    // Waits until the view lists items items (ListedMs after its start), then brings the probe
    // into its thread. An empty text when ready, else what went wrong.
    std::string WaitReady(int items, DWORD timeoutMs);
    double ListedMs() const { return m_listedMs; }
    // LVM_GETITEMTEXTW of every item, timed in the view's thread; below 0 when not answered.
    double ReadAllMs() const;
    // True while something has subclassed the view's item window.
    bool IsAttached() const;
    // As TypeKeys (BenchTarget.h), into the item window.
    std::vector<KeyRecord> Type(const std::wstring& text, DWORD typeDelayMs, DWORD keyTimeoutMs);

  private:
    bool FindWindows();
    int ItemCount() const;
    bool StartProbe();
    // Focuses the item window through the probe (on the view's thread) and has it tell whether
    // something subclassed it.
    bool AskProbe() const;

    ShellView m_view;
    HMODULE m_probe;
    unique_handle m_mapping;
    unique_mapped_view m_mapped;
    ShellReport* m_report = nullptr;
    unique_handle m_process;
    std::wstring m_title;
    HWND m_top = nullptr;
    HWND m_list = nullptr;
    unique_hhook m_getMessageHook;
    unique_hhook m_callWndProcHook;
    DWORD m_started = 0;
    double m_listedMs = -1;
};
