#include <windows.h>

#include "settings/SharedBlock.h"

// Does nothing but record the first process's handle: work starts from explicit calls.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    if (Shared.LibraryModule == nullptr) {
        Shared.LibraryModule = instance;
    }
    return TRUE;
}
