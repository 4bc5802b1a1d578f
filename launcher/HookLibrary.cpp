#include "HookLibrary.h"

#include <string>

namespace {

// The library's exports by their decorated names (Exports.h).
constexpr char kHookStart[] = "_ZN10SkimvueDll9HookStartEP6HWND__";
constexpr char kHookEnd[] = "_ZN10SkimvueDll7HookEndEv";
constexpr char kShowSettingDlg[] = "_ZN10SkimvueDll14ShowSettingDlgEP6HWND__";

template <class EntryPoint> bool Resolve(HMODULE module, const char* name, EntryPoint& entry) {
    entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr;
}

// The library's path: the launcher's own folder. Empty if the launcher's path does not fit
// the longest path Windows has.
std::wstring LibraryPath() {
    constexpr DWORD kLongestPath = 32768;
    std::wstring path(kLongestPath, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kLongestPath);
    if (length == 0 || length >= kLongestPath) {
        return std::wstring();
    }
    path.resize(path.find_last_of(L'\\', length) + 1);
    return path + SKIMVUE_DLL_NAME L".dll";
}

} // namespace

void RestrictDllSearch() {
    // Not the application's folder: the documented order searches it before System32, so a
    // dependent load by name would still take a planted DLL from there. Our own files are
    // loaded by full path instead.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool CHookLibrary::Load() {
    const std::wstring path = LibraryPath();
    if (path.empty()) {
        return false;
    }
    // A full path loads that file; the flag makes the library's dependencies come from System32
    // alone.
    m_module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    const HMODULE module = m_module.get();
    return module != nullptr && Resolve(module, kHookStart, m_hookStart) &&
           Resolve(module, kHookEnd, m_hookEnd) &&
           Resolve(module, kShowSettingDlg, m_showSettingDlg);
}
