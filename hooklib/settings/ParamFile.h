#pragma once
// The settings file: "<library name>.ini" beside the library, or a per-user copy under the
// application-data folder when the library lies in a protected folder.
#include <windows.h>

#include "support/StdString.h"

CStdString GetParamFilePath();

// The settings file for a library at modulePath. A library under the program or Windows folder
// (in any letter case or 8.3 form, for either word size) gets a per-user file; its folder is
// created then, so the first save can create the file, and a file beside the library is copied
// into it while the per-user one does not exist yet.
CStdString ResolveParamFilePath(const CStdString& modulePath);

// save false: load every key into the settings; true: write every setting to the file.
void ExchangeParamFile(bool save);

// Opens the settings file in its associated editor, waits for the editor to end, then loads
// the file again.
void OpenParamFileInEditor(HWND owner);
