#pragma once
// A key binding as the settings hold it: the key's character as MapVirtualKeyW(MAPVK_VK_TO_CHAR)
// gives it in the low 16 bits, with a modifier bit above.
#include <cstdint>

using KeyBinding = uint32_t;
constexpr KeyBinding KEYBIND_ALT = 0x10000;
constexpr KeyBinding KEYBIND_CTRL = 0x20000;
