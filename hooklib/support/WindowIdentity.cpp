#include "support/WindowIdentity.h"

#include "support/UniqueHandle.h"

namespace {
constexpr int kNameCapacity = 1024;

// The least a process grants: the system gives it to an ordinary user even for elevated
// processes, and it serves for processes of either word size.
unique_handle OpenWindowProcess(HWND window) {
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0) {
        return unique_handle();
    }
    return unique_handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
}
} // namespace

std::wstring ReadClassName(HWND window) {
    if (window == nullptr) {
        return std::wstring();
    }
    wchar_t name[kNameCapacity] = {};
    return GetClassNameW(window, name, kNameCapacity) > 0 ? std::wstring(name) : std::wstring();
}

// The image name comes from the process object itself. Reading the module list instead
// (EnumProcessModules) fails from a 32-bit process on a 64-bit one, and needs more rights.
std::wstring ReadExeName(HWND window) {
    const unique_handle process = OpenWindowProcess(window);
    if (!process) {
        return std::wstring();
    }
    wchar_t path[kNameCapacity] = {};
    DWORD length = kNameCapacity;
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &length) || length == 0) {
        return std::wstring();
    }
    const std::wstring full(path, length);
    const size_t slash = full.rfind(L'\\');
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

std::wstring ReadRootClassName(HWND window) {
    return ReadClassName(GetAncestor(window, GA_ROOT));
}

std::wstring ReadRootOwnerClassName(HWND window) {
    return ReadClassName(GetAncestor(window, GA_ROOTOWNER));
}

WindowIdentity ReadWindowIdentity(HWND window) {
    return WindowIdentity{ReadClassName(window), ReadExeName(window), ReadRootClassName(window),
                          ReadRootOwnerClassName(window)};
}

// A process runs under WOW64 exactly when it is a 32-bit process on 64-bit Windows, so two
// processes have the same word size when both or neither do (on 32-bit Windows neither does).
bool HasOwnWordSize(HWND window) {
    static const bool ownIsWow64 = [] {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }();
    const unique_handle process = OpenWindowProcess(window);
    BOOL isWow64 = FALSE;
    if (!process || !IsWow64Process(process.get(), &isWow64)) {
        return true;
    }
    return (isWow64 != FALSE) == ownIsWow64;
}
