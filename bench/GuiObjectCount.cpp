#include "GuiObjectCount.h"

#include <winternl.h>

#include <cstdint>
#include <vector>

#include "ProcessFigures.h"
#include "support/UniqueHandle.h"

namespace {

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
// A 32-bit process under 64-bit Wine has a 64-bit TEB and PEB beside its own, and Wine's GDI names
// its table in the 64-bit PEB alone; the 32-bit TEB's GdiBatchCount holds the 64-bit TEB's
// address, which is how Wine's GDI itself finds it. All of them lie below 4 GB.
constexpr size_t kTebGdiBatchCountOffset = 0xF70;
constexpr size_t kTeb64PebOffset = 0x60;
constexpr size_t kPeb64GdiTableOffset = 0xF8;

struct ThreadBasics {
    LONG m_exitStatus;
    void* m_teb;
    CLIENT_ID m_clientId;
    ULONG_PTR m_affinityMask;
    LONG m_priority;
    LONG m_basePriority;
};
#endif

bool ReadRemote(HANDLE process, const void* address, void* buffer, size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

#ifndef _WIN64
const BYTE* Wow64GdiTable(HANDLE process, DWORD processId) {
    const unique_handle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, FirstThread(processId)));
    ThreadBasics basic{};
    DWORD teb64 = 0;
    uint64_t peb64 = 0;
    uint64_t table = 0;
    if (!thread ||
        NtQueryInformationThread(thread.get(), ThreadBasicInformation, &basic, sizeof(basic),
                                 nullptr) != 0 ||
        !ReadRemote(process, static_cast<const BYTE*>(basic.m_teb) + kTebGdiBatchCountOffset,
                    &teb64, sizeof(teb64)) ||
        teb64 == 0 ||
        !ReadRemote(process, reinterpret_cast<const BYTE*>(teb64 + kTeb64PebOffset), &peb64,
                    sizeof(peb64)) ||
        peb64 == 0 || peb64 > UINT32_MAX ||
        !ReadRemote(process, reinterpret_cast<const BYTE*>(peb64 + kPeb64GdiTableOffset), &table,
                    sizeof(table)) ||
        table > UINT32_MAX) {
        return nullptr;
    }
    return reinterpret_cast<const BYTE*>(static_cast<uintptr_t>(table));
}
#endif

const BYTE* GdiTable(HANDLE process, [[maybe_unused]] DWORD processId) {
    PROCESS_BASIC_INFORMATION basic{};
    const BYTE* table = nullptr;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic),
                                  nullptr) != 0 ||
        !ReadRemote(process,
                    reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + kPebGdiTableOffset,
                    &table, sizeof(table))) {
        return nullptr;
    }
#ifndef _WIN64
    if (table == nullptr) {
        return Wow64GdiTable(process, processId);
    }
#endif
    return table;
}

} // namespace

DWORD CountGdiObjectsInTable(HANDLE process, DWORD processId) {
    const BYTE* table = GdiTable(process, processId);
    if (table == nullptr) {
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

namespace {

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

} // namespace

DWORD CountWindows(DWORD processId) {
    WindowCount count{processId, 0};
    EnumWindows(CountTopLevelWindow, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevelWindow(window, reinterpret_cast<LPARAM>(&count));
    }
    return count.m_windows;
}
