#include "ProcessFigures.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

#include "GuiObjectCount.h"
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

// Wine's GetGuiResources is a stub that answers 0 and ERROR_CALL_NOT_IMPLEMENTED; there the
// objects are counted by hand: GDI objects in the process's table, USER objects as its windows
// (the USER objects a leak leaves most often; menus, icons and hooks go uncounted).
void MeasureGuiObjects(HANDLE process, DWORD processId, ProcessFigures& figures) {
    SetLastError(ERROR_SUCCESS);
    figures.m_gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    figures.m_userObjects = GetGuiResources(process, GR_USEROBJECTS);
    if (figures.m_gdiObjects == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        figures.m_gdiObjects = CountGdiObjectsInTable(process, processId);
        figures.m_userObjects = CountWindows(processId);
        figures.m_guiCountedByHand = true;
    }
}

// Calls visit with each thread of the process in a toolhelp snapshot of the system's threads,
// until it returns false.
template <class Visit> void VisitThreads(DWORD processId, Visit visit) {
    const unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) {
        return;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == processId && !visit(entry.th32ThreadID)) {
            return;
        }
    }
}

} // namespace

DWORD CountThreads(DWORD processId) {
    DWORD threads = 0;
    VisitThreads(processId, [&](DWORD) {
        ++threads;
        return true;
    });
    return threads;
}

DWORD FirstThread(DWORD processId) {
    DWORD first = 0;
    VisitThreads(processId, [&](DWORD thread) {
        first = thread;
        return false;
    });
    return first;
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
