#include "settings/SharedBlock.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "settings/KeyBinding.h"

#ifdef _WIN32
#define SKIMVUE_SHARED __attribute__((section("SKIM_VUE"), shared))
#else
#define SKIMVUE_SHARED
#endif

// The initial values live in the image and apply until the settings file is loaded.
SKIMVUE_SHARED SharedBlock Shared = {
    3,                  // EnableLength
    2000,               // InputInterval
    0,                  // DisableIme
    KEYBIND_ALT | L'N', // KeyBind_Next
    KEYBIND_ALT | L'B', // KeyBind_Back
    KEYBIND_ALT | L'S', // KeyBind_SelAll
    KEYBIND_ALT | L'I', // KeyBind_Input
    0,                  // ShowToolTip
    2000,               // ToolTipAutoPopDelay
    0,                  // PriorForwardMatch
    0,                  // SwitchMigemoByShift
    nullptr,            // LauncherWindow
    0,                  // AttachResult
    nullptr,            // LibraryModule
    {},                 // LibraryDir
    nullptr,            // FirstAttachModule
    0,                  // EnableOnFileDialog
    {},                 // FileDialogExcludeExeNames
};

int32_t EnableOnExplorer = 1;
int32_t EnableOnListView = 0;
int32_t NumberOfTargetListView = 0;
std::vector<TargetListView> TargetListViews;

namespace {

template <class T> T ReadShared(T SharedBlock::*field) {
    return std::atomic_ref<T>(Shared.*field).load(std::memory_order_relaxed);
}

// A text field of the block up to its terminator; one without a terminator reads as empty.
template <size_t N> std::wstring ReadText(const wchar_t (&field)[N]) {
    const wchar_t* end = std::find(field, field + N, L'\0');
    return end == field + N ? std::wstring() : std::wstring(field, end);
}

// text must fit with its terminator; the rest of the field is cleared.
template <size_t N> void StoreText(wchar_t (&field)[N], const std::wstring& text) {
    std::fill(std::copy(text.begin(), text.end(), field), field + N, L'\0');
}

} // namespace

int EffectiveEnableLength() {
    return std::max(ReadShared(&SharedBlock::EnableLength), kMinEnableLength);
}

uint32_t EffectiveInputInterval() {
    return std::min<uint32_t>(ReadShared(&SharedBlock::InputInterval),
                              std::numeric_limits<int32_t>::max());
}

int32_t EffectiveToolTipAutoPopDelay() {
    return std::max(ReadShared(&SharedBlock::ToolTipAutoPopDelay), 0);
}

KeyBinding EffectiveKeyBinding(KeyBinding SharedBlock::*field) {
    const KeyBinding binding = ReadShared(field);
    return IsWellFormedKeyBinding(binding) ? binding : 0;
}

std::wstring ReadLibraryDir() {
    return ReadText(Shared.LibraryDir);
}

bool StoreLibraryDir(const std::wstring& dir) {
    if (dir.size() >= kLibraryDirLength) {
        Shared.LibraryDir[0] = L'\0';
        return false;
    }
    StoreText(Shared.LibraryDir, dir);
    return true;
}

std::wstring ReadFileDialogExcludeExeNames() {
    return ReadText(Shared.FileDialogExcludeExeNames);
}

bool StoreFileDialogExcludeExeNames(const std::wstring& names) {
    if (names.size() < kFileDialogExcludeLength) {
        StoreText(Shared.FileDialogExcludeExeNames, names);
        return true;
    }
    const size_t cut = names.rfind(L';', kFileDialogExcludeLength - 1);
    StoreText(Shared.FileDialogExcludeExeNames,
              cut == std::wstring::npos ? std::wstring() : names.substr(0, cut));
    return false;
}
