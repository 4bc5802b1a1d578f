#pragma once
// What the end-to-end benchmark's target program reports: a block of shared memory that the
// benchmark creates and names on the target's command line. The target writes, the benchmark
// reads; both are built for the same word size.
#include <windows.h>

#include <cstdint>

constexpr int kMaxKeyRecords = 512;
constexpr int kMaxHostOpRuns = 8;

// One character typed into the list view, timed by the target from the moment GetMessageW hands
// out its WM_CHAR.
struct KeyRecord {
    int32_t m_character;
    // The item whose LVN_ITEMCHANGED selected it; -1 when no item became selected.
    int32_t m_selectedItem;
    // To that LVN_ITEMCHANGED; below 0 when there was none.
    double m_selectedMs;
    // To the return of DispatchMessageW.
    double m_handledMs;
};

// The host's own work on its list view, timed inside the target.
struct HostOpTimes {
    int32_t m_runs;
    // LVM_SETITEMSTATE with index -1 clearing LVIS_SELECTED, one item selected before.
    double m_deselectAllMs[kMaxHostOpRuns];
    // LVM_GETITEMTEXTW of every item.
    double m_readAllMs[kMaxHostOpRuns];
};

struct TargetReport {
    // Key records written so far; a record is complete before the count includes it.
    volatile LONG m_keyCount;
    int32_t m_itemCount;
    double m_fillMs;
    KeyRecord m_keys[kMaxKeyRecords];
    HostOpTimes m_hostOps;
};

// Sent by the benchmark to the target's frame window.
// wParam: number of runs (at most kMaxHostOpRuns). Times the host's own work into hostOps.
constexpr UINT WM_BENCH_HOST_OPS = WM_APP + 1;
// Answers 1 while the list view runs another window procedure than its own (something attached).
constexpr UINT WM_BENCH_IS_ATTACHED = WM_APP + 2;
