#pragma once
// The hook library of this word size, loaded by full path from the launcher's own folder.
//
// The launcher does not import the library: an import is resolved by the loader before wWinMain
// runs, through the standard search order, which looks in the application's folder first. The
// library's own imports (version.dll, comctl32.dll and the uxtheme.dll that comctl32 loads) would
// then come from that folder too, so a DLL of such a name dropped beside the launcher (a Downloads
// folder) would run inside it. Loaded here, after the process's search has been restricted to
// System32, every name the library imports comes from the system.
#include <windows.h>

#include "hook/Exports.h"
#include "support/UniqueHandle.h"

// Restricts every later load by name in this process to System32; called first in wWinMain.
void RestrictDllSearch();

class CHookLibrary {
  public:
    // Loads the library beside the launcher; false if it is not there or lacks an export.
    bool Load();

    void HookStart(HWND window) const { m_hookStart(window); }
    void HookEnd() const { m_hookEnd(); }
    void ShowSettingDlg(HWND window) const { m_showSettingDlg(window); }

  private:
    unique_hmodule m_module;
    decltype(&SkimvueDll::HookStart) m_hookStart = nullptr;
    decltype(&SkimvueDll::HookEnd) m_hookEnd = nullptr;
    decltype(&SkimvueDll::ShowSettingDlg) m_showSettingDlg = nullptr;
};
