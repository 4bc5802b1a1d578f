#pragma once
// What the benchmark's probe reports from inside a shell view's process (Wine's file browser or
// a file dialog), in a block of shared memory of a fixed name: one shell target runs at a time,
// in the benchmark's own Wine environment. The benchmark writes the item window before it hooks
// the probe into the view's thread; the probe writes the rest. Both are built for one word size.
#include <windows.h>

#include <cstdint>

#include "TargetReport.h"

constexpr wchar_t kShellReportName[] = L"Local\\SkimvueBenchShellReport";
// Sent by the benchmark to the item window: the probe writes into m_attached whether something
// has subclassed the window since the probe first saw it.
constexpr wchar_t kShellQueryMessage[] = L"SkimvueBenchShellQuery";
// Sent by the benchmark to the item window: the probe times LVM_GETITEMTEXTW of every item (each
// a trip into the shell for a view whose items are callbacks) into m_readAllMs.
constexpr wchar_t kShellReadAllMessage[] = L"SkimvueBenchShellReadAll";

struct ShellReport {
    // The shell view's item window (a SysListView32 whose parent is SHELLDLL_DefView).
    HWND m_list;
    // Set once the probe runs in the view's thread and found the park item.
    volatile LONG m_ready;
    int32_t m_parkIndex;
    volatile LONG m_attached;
    double m_readAllMs;
    // Key records written so far; a record is complete before the count includes it.
    volatile LONG m_keyCount;
    KeyRecord m_keys[kMaxKeyRecords];
};
