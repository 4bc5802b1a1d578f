#include "hook/Exports.h"

#include "settings/ParamFile.h"
#include "support/ModuleVersion.h"
#include "ui/SettingDlg.h"

// Exports are called by other programs: nothing may escape them.
namespace SkimvueDll {

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
