#pragma once
// The library's exports, by their decorated names in namespace SkimvueDll. Nothing thrown
// inside leaves them.
#include <windows.h>

#ifdef SKIMVUE_BUILDING_DLL
#define SKIMVUE_API __declspec(dllexport)
#else
#define SKIMVUE_API __declspec(dllimport)
#endif

namespace SkimvueDll {
// Hooks the target windows found since the last call (the first call also loads the settings).
// Always 1.
SKIMVUE_API int HookStart(HWND launcherWindow) noexcept;
// Detaches every hooked window. Always 1.
SKIMVUE_API int HookEnd() noexcept;
// Shows the modal settings dialog over hwnd and saves the settings file after OK. While the
// dialog is open, a further call brings it to the front and returns.
SKIMVUE_API void ShowSettingDlg(HWND hwnd) noexcept;
// Opens the settings file in its editor, waits for the editor to end and loads the file again.
SKIMVUE_API void EditParamFile(HWND hwnd) noexcept;
// Copies the library's FileVersion text into buffer (size characters); 1 on success, else 0.
SKIMVUE_API int GetVersion(wchar_t* buffer, unsigned long size) noexcept;
} // namespace SkimvueDll
