#include "hook/WindowIdentity.h"

#include <psapi.h>

#include "support/UniqueHandle.h"

namespace {
constexpr int kNameCapacity = 1024;
} // namespace

std::wstring ReadClassName(HWND window) {
    if (window == nullptr) {
        return std::wstring();
    }
    wchar_t name[kNameCapacity] = {};
    return GetClassNameW(window, name, kNameCapacity) > 0 ? std::wstring(name) : std::wstring();
}

std::wstring ReadExeName(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const unique_handle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) {
        return std::wstring();
    }
    // Room for exactly one module: the first is the process's executable.
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!EnumProcessModules(process.get(), &module, sizeof(module), &needed)) {
        return std::wstring();
    }
    wchar_t path[kNameCapacity] = {};
    if (GetModuleFileNameExW(process.get(), module, path, kNameCapacity) == 0) {
        return std::wstring();
    }
    const std::wstring full(path);
    const size_t slash = full.rfind(L'\\');
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

std::wstring ReadRootClassName(HWND window) {
    return ReadClassName(GetAncestor(window, GA_ROOT));
}

std::wstring ReadRootOwnerClassName(HWND window) {
    return ReadClassName(GetAncestor(window, GA_ROOTOWNER));
}
