#pragma once
// Settings that every process mapping the library reads, and the few runtime values that cross
// process boundaries. On Windows the block lives in the shared data section "SKIM_VUE": one copy
// for all processes of one word size, read and written without locks, each field one aligned
// 32-bit word or a fixed buffer written once.
#include <cstdint>
#include <string>
#include <vector>

#include "settings/KeyBindingValue.h"
#include "settings/TargetListView.h"

constexpr size_t kLibraryDirLength = 260;

struct SharedBlock {
    int32_t EnableLength;
    uint32_t InputInterval;
    int32_t DisableIme;
    KeyBinding KeyBind_Next;
    KeyBinding KeyBind_Back;
    KeyBinding KeyBind_SelAll;
    KeyBinding KeyBind_Input;
    int32_t ShowToolTip;
    int32_t ToolTipAutoPopDelay;
    int32_t PriorForwardMatch;
    int32_t SwitchMigemoByShift;
    void* LauncherWindow;
    int32_t AttachResult;
    void* LibraryModule;
    wchar_t LibraryDir[kLibraryDirLength];
    void* FirstAttachModule;
};

extern SharedBlock Shared;

// Name of the data section that holds Shared in the library image.
constexpr char kSharedSectionName[] = "SKIM_VUE";

// Per-process settings: only the launcher process loads, changes or reads them.
extern int32_t EnableOnExplorer;
extern int32_t EnableOnListView;
extern int32_t NumberOfTargetListView;
extern std::vector<TargetListView> TargetListViews;

// Flags count as on only when exactly 1.
inline bool IsOn(int32_t flag) {
    return flag == 1;
}

// The length of search text from which Migemo takes part: never below 2.
inline int EffectiveEnableLength() {
    return Shared.EnableLength < 2 ? 2 : Shared.EnableLength;
}

// LibraryDir as a string, read bounded: any process can write the block, so a missing
// terminator must not run past the buffer.
std::wstring ReadLibraryDir();

// Stores dir into LibraryDir; a directory that does not fit leaves LibraryDir empty rather
// than truncated. True when stored.
bool StoreLibraryDir(const std::wstring& dir);
