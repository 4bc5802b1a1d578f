#pragma once
// GDI and USER objects counted by hand, where the system does not count them (Wine's
// GetGuiResources is a stub).
#include <windows.h>

// The GDI objects in the process's own GDI handle table (Wine's GDI); 0 where there is none.
DWORD CountGdiObjectsInTable(HANDLE process, DWORD processId);
// The process's windows: the top-level ones with their descendants, and the message-only ones.
DWORD CountWindows(DWORD processId);
