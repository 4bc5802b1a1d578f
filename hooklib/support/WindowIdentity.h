#pragma once
// What identifies a window to a list-view rule: its class, the file name of its process's
// executable, the class of its top-level window and the class of its root owner. A value that
// cannot be read is empty.
#include <windows.h>

#include <string>

struct WindowIdentity {
    std::wstring m_clsName;
    std::wstring m_exeName;
    std::wstring m_rootClsName;
    std::wstring m_rootOwnerClsName;
};

// All four values. Target discovery reads each one only where a rule asks for it.
WindowIdentity ReadWindowIdentity(HWND window);

std::wstring ReadClassName(HWND window);
std::wstring ReadExeName(HWND window);
std::wstring ReadRootClassName(HWND window);
std::wstring ReadRootOwnerClassName(HWND window);

// False when the window's process has the other word size: this library can never load there.
// A process that cannot be asked counts as one of this word size; its handshake decides.
bool HasOwnWordSize(HWND window);
