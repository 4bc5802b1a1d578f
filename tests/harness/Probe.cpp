// A second process for the tests:
//   skimvue_probe shared-read DLL          prints EnableLength of DLL's shared block
//   skimvue_probe shared-write DLL VALUE   stores VALUE into EnableLength of that block
//   skimvue_probe shared-storm DLL EVENT   writes extreme values into every field of that block
//                                          until the named event is set (at most a minute), then
//                                          puts back what it found
//   skimvue_probe eventlog TEXT            writes one error and one information entry
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

#include "harness/WinTestSupport.h"
#include "settings/SharedBlock.h"
#include "support/EventLog.h"
#include "support/UniqueHandle.h"

namespace {

SharedBlock* LoadSharedBlock(const wchar_t* dll) {
    HMODULE module = LoadLibraryW(dll);
    if (module == nullptr) {
        return nullptr;
    }
    return static_cast<SharedBlock*>(FindSection(module, kSharedSectionName).m_address);
}

int SharedRead(const wchar_t* dll) {
    SharedBlock* block = LoadSharedBlock(dll);
    if (block == nullptr) {
        return 2;
    }
    std::printf("%d\n", block->EnableLength);
    return 0;
}

int SharedWrite(const wchar_t* dll, const wchar_t* value) {
    SharedBlock* block = LoadSharedBlock(dll);
    if (block == nullptr) {
        return 2;
    }
    block->EnableLength = _wtoi(value);
    return 0;
}

// What a hostile or broken process might leave in a field: the ends of its type, values around
// the ones that mean something, bits outside a key binding's, pointers to nowhere.
constexpr int32_t kExtremeInts[] = {INT32_MIN, -1, 0, 1, 2, INT32_MAX - 1, INT32_MAX};
constexpr uint32_t kExtremeIntervals[] = {0, 1, 0x7FFFFFFF, 0x80000000, UINT32_MAX};
// None is a binding of a key the tests type, so no binding opens the modal input dialog.
constexpr KeyBinding kExtremeBindings[] = {0,
                                           UINT32_MAX,
                                           0xFFFF0000 | KEYBIND_ALT | L'N',
                                           KEYBIND_ALT | KEYBIND_CTRL | L'N',
                                           L'N',
                                           KEYBIND_ALT | 0xFFFF,
                                           KEYBIND_CTRL};
const uintptr_t kExtremePointers[] = {0, 1, UINTPTR_MAX, 0xDEADBEEF, UINTPTR_MAX / 2};

constexpr DWORD kStormLimitMs = 60000;

// Each field steps through its table with an offset of its own, so fields do not move together.
template <class T, size_t N> T Pick(const T (&values)[N], unsigned round, unsigned field) {
    return values[(round + field) % N];
}

void* PickPointer(unsigned round, unsigned field) {
    return reinterpret_cast<void*>(Pick(kExtremePointers, round, field));
}

void WriteExtremes(SharedBlock& block, unsigned round) {
    block.EnableLength = Pick(kExtremeInts, round, 0);
    block.InputInterval = Pick(kExtremeIntervals, round, 1);
    block.DisableIme = Pick(kExtremeInts, round, 2);
    block.KeyBind_Next = Pick(kExtremeBindings, round, 3);
    block.KeyBind_Back = Pick(kExtremeBindings, round, 4);
    block.KeyBind_SelAll = Pick(kExtremeBindings, round, 5);
    block.KeyBind_Input = Pick(kExtremeBindings, round, 6);
    block.ShowToolTip = Pick(kExtremeInts, round, 7);
    block.ToolTipAutoPopDelay = Pick(kExtremeInts, round, 8);
    block.PriorForwardMatch = Pick(kExtremeInts, round, 9);
    block.SwitchMigemoByShift = Pick(kExtremeInts, round, 10);
    block.LauncherWindow = PickPointer(round, 11);
    block.AttachResult = Pick(kExtremeInts, round, 12);
    block.LibraryModule = PickPointer(round, 13);
    // Every other round without a terminator.
    std::fill(std::begin(block.LibraryDir), std::end(block.LibraryDir),
              round % 2 == 0 ? L'z' : L'\0');
    block.FirstAttachModule = PickPointer(round, 14);
    block.EnableOnFileDialog = Pick(kExtremeInts, round, 15);
    std::fill(std::begin(block.FileDialogExcludeExeNames),
              std::end(block.FileDialogExcludeExeNames), round % 2 == 0 ? L';' : L'\0');
}

int SharedStorm(const wchar_t* dll, const wchar_t* stopEvent) {
    SharedBlock* block = LoadSharedBlock(dll);
    const unique_handle stop(OpenEventW(SYNCHRONIZE, FALSE, stopEvent));
    if (block == nullptr || !stop) {
        return 2;
    }
    const SharedBlock found = *block;
    const DWORD start = GetTickCount();
    unsigned round = 0;
    // A round every millisecond or so: often enough to change the fields between any two keys,
    // without taking a core from the processes under test.
    do {
        WriteExtremes(*block, round++);
    } while (WaitForSingleObject(stop.get(), 1) == WAIT_TIMEOUT &&
             GetTickCount() - start < kStormLimitMs);
    *block = found;
    std::printf("%u rounds\n", round);
    return 0;
}

int EventLog(const wchar_t* text) {
    const std::string narrow = ToUtf8(text);
    const int error = ReportErrorEvent(narrow.c_str());
    const int info = ReportInfoEvent(text);
    std::printf("error=%d info=%d\n", error, info);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"shared-read" && argc == 3) {
        return SharedRead(argv[2]);
    }
    if (mode == L"shared-write" && argc == 4) {
        return SharedWrite(argv[2], argv[3]);
    }
    if (mode == L"shared-storm" && argc == 4) {
        return SharedStorm(argv[2], argv[3]);
    }
    if (mode == L"eventlog" && argc == 3) {
        return EventLog(argv[2]);
    }
    std::fprintf(stderr, "usage: skimvue_probe shared-read DLL | shared-write DLL VALUE | "
                         "shared-storm DLL MS | eventlog TEXT\n");
    return 1;
}
