#pragma once
// Entry points of system libraries that older Windows versions lack, looked up at run time so
// the library still loads there and falls back to what those versions offer.
#include <windows.h>

// The export name of the system library dll, or null. The library is taken from the system
// folder only (never from the host's directory) and stays loaded for the process's lifetime.
template <class Function> Function FindSystemEntryPoint(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    if (module == nullptr) {
        module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return module == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
