#include "settings/ReservedKeys.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<KeyBinding, 14> kExplorerChords{
    KEYBIND_CTRL | L'A', // selects every item
    KEYBIND_CTRL | L'C', // copies the selected items
    KEYBIND_CTRL | L'V', // pastes into the folder
    KEYBIND_CTRL | L'X', // cuts the selected items
    KEYBIND_CTRL | L'Z', // undoes the last file operation
    KEYBIND_CTRL | L'Y', // redoes it
    KEYBIND_CTRL | L'D', // moves the selected items to the Recycle Bin
    KEYBIND_CTRL | L'E', // puts the focus in the search box
    KEYBIND_CTRL | L'F', // puts the focus in the search box
    KEYBIND_CTRL | L'N', // opens a new window
    KEYBIND_CTRL | L'R', // refreshes the folder
    KEYBIND_CTRL | L'W', // closes the window
    KEYBIND_ALT | L'D',  // puts the focus in the address bar
    KEYBIND_ALT | L'P',  // shows or hides the preview pane
};

} // namespace

bool IsReservedByExplorer(KeyBinding binding) {
    return std::find(kExplorerChords.begin(), kExplorerChords.end(), binding) !=
           kExplorerChords.end();
}
