#include "hook/Exports.h"

#include "hook/HookLifecycle.h"
#include "settings/ParamFile.h"
#include "support/Barrier.h"
#include "support/ModuleVersion.h"
#include "ui/SettingDlg.h"

// Exports are called by other programs: nothing may escape them.
namespace SkimvueDll {

int HookStart(HWND launcherWindow) noexcept {
    Barrier(L"HookStart", [launcherWindow] { StartHooking(launcherWindow); });
    return 1;
}

int HookEnd() noexcept {
    Barrier(L"HookEnd", [] { EndHooking(); });
    return 1;
}

void ShowSettingDlg(HWND hwnd) noexcept {
    Barrier(L"ShowSettingDlg", [hwnd] { RunSettingDlg(hwnd); });
}

void EditParamFile(HWND hwnd) noexcept {
    Barrier(L"EditParamFile", [hwnd] { OpenParamFileInEditor(hwnd); });
}

int GetVersion(wchar_t* buffer, unsigned long size) noexcept {
    return Barrier(L"GetVersion", 0, [buffer, size] { return CopyModuleVersion(buffer, size); });
}

} // namespace SkimvueDll
