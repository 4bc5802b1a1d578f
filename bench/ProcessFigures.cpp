#include "ProcessFigures.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

#include "support/UniqueHandle.h"

namespace {

constexpr double kBytesPerMb = 1024.0 * 1024.0;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

// The system's table of every process's handles, or nothing.
std::vector<BYTE> SystemHandleTable() {
    std::vector<BYTE> buffer(size_t{1} << 20);
    // The table grows while it is read; a few tries with the size asked for settle it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(
            SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            return buffer;
        }
        if (status != kInfoLengthMismatch) {
            break;
        }
        buffer.resize(std::max<size_t>(needed + 4096, buffer.size() * 2));
    }
    return {};
}

// Wine answers GetProcessHandleCount with 0 (it does not count), but lists the handles of every
// process in the system's handle table as Windows does.
DWORD CountHandlesInSystemTable(DWORD processId) {
    const std::vector<BYTE> buffer = SystemHandleTable();
    if (buffer.empty()) {
        return 0;
    }
    const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    DWORD handles = 0;
    for (ULONG i = 0; i < table->Count; ++i) {
        handles += table->Handle[i].OwnerPid == processId ? 1 : 0;
    }
    return handles;
}

// Wine's GDI keeps a process's objects in a table of the process's own that its PEB names
// (GdiSharedHandleTable, where Windows names its shared one): 0x10000 entries of 24 bytes (the
// object, the owner, the unique and type fields, a user pointer), whose type byte is 0 while an
// entry is free. The PEB field lies at these offsets; both processes have one word size.
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kGdiEntryBytes = 24;
constexpr size_t kGdiEntryTypeOffset = 14;
#ifdef _WIN64
constexpr size_t kPebGdiTableOffset = 0xF8;
#else
constexpr size_t kPebGdiTableOffset = 0x94;
#endif

bool ReadRemote(HANDLE process, const void* address, void* buffer, size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

DWORD CountGdiObjectsInTable(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    const BYTE* table = nullptr;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic),
                                  nullptr) != 0 ||
        !ReadRemote(process,
                    reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + kPebGdiTableOffset,
                    &table, sizeof(table)) ||
        table == nullptr) {
        return 0;
    }
    std::vector<BYTE> entries(kGdiTableEntries * kGdiEntryBytes);
    if (!ReadRemote(process, table, entries.data(), entries.size())) {
        return 0;
    }
    DWORD objects = 0;
    for (size_t offset = kGdiEntryTypeOffset; offset < entries.size(); offset += kGdiEntryBytes) {
        objects += entries[offset] != 0 ? 1 : 0;
    }
    return objects;
}

struct WindowCount {
    DWORD m_processId;
    DWORD m_windows;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
    auto* count = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    count->m_windows += owner == count->m_processId ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountTopLevelWindow(HWND window, LPARAM param) {
    CountWindow(window, param);
    // Every descendant, at any depth.
    EnumChildWindows(window, CountWindow, param);
    return TRUE;
}

// The process's windows: the top-level ones with their descendants, and the message-only ones.
DWORD CountWindows(DWORD processId) {
    WindowCount count{processId, 0};
    EnumWindows(CountTopLevelWindow, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevelWindow(window, reinterpret_cast<LPARAM>(&count));
    }
    return count.m_windows;
}

// Wine's GetGuiResources is a stub that answers 0 and ERROR_CALL_NOT_IMPLEMENTED; there the
// objects are counted by hand: GDI objects in the process's table, USER objects as its windows
// (the USER objects a leak leaves most often; menus, icons and hooks go uncounted).
void MeasureGuiObjects(HANDLE process, DWORD processId, ProcessFigures& figures) {
    SetLastError(ERROR_SUCCESS);
    figures.m_gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    figures.m_userObjects = GetGuiResources(process, GR_USEROBJECTS);
    if (figures.m_gdiObjects == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        figures.m_gdiObjects = CountGdiObjectsInTable(process);
        figures.m_userObjects = CountWindows(processId);
        figures.m_guiCountedByHand = true;
    }
}

} // namespace

DWORD CountThreads(DWORD processId) {
    const unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) {
        return 0;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    DWORD threads = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        threads += entry.th32OwnerProcessID == processId ? 1 : 0;
    }
    return threads;
}

std::optional<ProcessFigures> MeasureProcess(DWORD processId) {
    const unique_handle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!process ||
        !GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        return std::nullopt;
    }
    ProcessFigures figures;
    if (!GetProcessHandleCount(process.get(), &figures.m_handles) || figures.m_handles == 0) {
        figures.m_handles = CountHandlesInSystemTable(processId);
    }
    figures.m_threads = CountThreads(processId);
    MeasureGuiObjects(process.get(), processId, figures);
    figures.m_workingSetMb = static_cast<double>(counters.WorkingSetSize) / kBytesPerMb;
    // Wine leaves PrivateUsage at 0 for another process and reports the anonymous resident
    // memory as PagefileUsage, which Windows counts the same as PrivateUsage (the commit).
    const SIZE_T privateBytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    figures.m_privateMb = static_cast<double>(privateBytes) / kBytesPerMb;
    return figures;
}
