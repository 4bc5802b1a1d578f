#include "hook/Exports.h"

#include "hook/HookLifecycle.h"
#include "settings/ParamFile.h"
#include "support/ModuleVersion.h"
#include "ui/SettingDlg.h"

// Exports are called by other programs: nothing may escape them.
namespace SkimvueDll {

int HookStart(HWND launcherWindow) {
    try {
        StartHooking(launcherWindow);
    } catch (...) {
    }
    return 1;
}

int HookEnd() {
    try {
        EndHooking();
    } catch (...) {
    }
    return 1;
}

void ShowSettingDlg(HWND hwnd) {
    try {
        RunSettingDlg(hwnd);
    } catch (...) {
    }
}

void EditParamFile(HWND hwnd) {
    try {
        OpenParamFileInEditor(hwnd);
    } catch (...) {
    }
}

int GetVersion(wchar_t* buffer, unsigned long size) {
    try {
        return CopyModuleVersion(buffer, size);
    } catch (...) {
        return 0;
    }
}

} // namespace SkimvueDll
