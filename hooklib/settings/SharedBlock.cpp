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
};

int32_t EnableOnExplorer = 1;
int32_t EnableOnListView = 0;
int32_t NumberOfTargetListView = 0;
std::vector<TargetListView> TargetListViews;

namespace {

template <class T> T ReadShared(T SharedBlock::*field) {
    return std::atomic_ref<T>(Shared.*field).load(std::memory_order_relaxed);
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
    const wchar_t* begin = Shared.LibraryDir;
    const wchar_t* end = std::find(begin, begin + kLibraryDirLength, L'\0');
    if (end == begin + kLibraryDirLength) {
        return std::wstring();
    }
    return std::wstring(begin, end);
}

bool StoreLibraryDir(const std::wstring& dir) {
    if (dir.size() >= kLibraryDirLength) {
        Shared.LibraryDir[0] = L'\0';
        return false;
    }
    std::fill(std::copy(dir.begin(), dir.end(), Shared.LibraryDir),
              Shared.LibraryDir + kLibraryDirLength, L'\0');
    return true;
}
