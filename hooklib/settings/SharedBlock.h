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
// Room for the list of executables whose file dialogs are left alone, terminator included.
constexpr size_t kFileDialogExcludeLength = 1024;

// The fields are named as their INI keys, not as members.
// NOLINTBEGIN(readability-identifier-naming)
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
    // Fields added later go here, after every older one, so the older ones keep their offsets.
    int32_t EnableOnFileDialog;
    // File names separated by ';'.
    wchar_t FileDialogExcludeExeNames[kFileDialogExcludeLength];
};
// NOLINTEND(readability-identifier-naming)

extern SharedBlock Shared;

// Name of the data section that holds Shared in the library image.
constexpr char kSharedSectionName[] = "SKIM_VUE";

// Per-process settings: only the launcher process loads, changes or reads them.
extern int32_t EnableOnExplorer;
extern int32_t EnableOnListView;
extern int32_t NumberOfTargetListView;
extern std::vector<TargetListView> TargetListViews;

// Flags count as on only when exactly 1. IsOn(Shared.Flag) loads the flag once, and every value
// means on or off, so a flag needs no accessor.
inline bool IsOn(int32_t flag) {
    return flag == 1;
}

// Migemo takes part from this many characters of search text on; fewer stored act as this many.
constexpr int32_t kMinEnableLength = 2;

// Each accessor below loads its field once and clamps that copy: any process that maps the
// library may write the block at any moment, so a field checked and then loaded again could
// be used with a value that was never checked.

// The length of search text from which Migemo takes part: never below kMinEnableLength.
int EffectiveEnableLength();

// The pause after which typing starts a new search text. The settings file and dialog carry it as
// a signed decimal, so a larger value would show and save as a negative number: at most INT32_MAX.
uint32_t EffectiveInputInterval();

// How long the search tooltip stays shown, in milliseconds; 0 keeps it shown (negative values
// act as 0, as the tooltip starts no hide timer for them).
int32_t EffectiveToolTipAutoPopDelay();

// A well-formed binding (IsWellFormedKeyBinding), or else 0, which no key press matches.
KeyBinding EffectiveKeyBinding(KeyBinding SharedBlock::*field);

// LibraryDir as a string, read bounded: any process can write the block, so a missing
// terminator must not run past the buffer.
std::wstring ReadLibraryDir();

// Stores dir into LibraryDir; a directory that does not fit leaves LibraryDir empty rather
// than truncated. True when stored.
bool StoreLibraryDir(const std::wstring& dir);

// FileDialogExcludeExeNames as a string, read bounded as ReadLibraryDir reads.
std::wstring ReadFileDialogExcludeExeNames();

// Stores names into FileDialogExcludeExeNames. A list that does not fit keeps its names up to
// the last ';' that fits: a name cut in the middle would name another program. True when whole.
bool StoreFileDialogExcludeExeNames(const std::wstring& names);
