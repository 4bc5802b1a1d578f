#pragma once
// What a process holds, measured from outside as any program watching it would: the figures a
// leak shows in.
#include <windows.h>

#include <optional>

struct ProcessFigures {
    DWORD m_handles = 0;
    DWORD m_threads = 0;
    DWORD m_gdiObjects = 0;
    DWORD m_userObjects = 0;
    double m_workingSetMb = 0;
    double m_privateMb = 0;
    // Where the system does not count GDI and USER objects (Wine): GDI objects counted in the
    // process's handle table, USER objects as its windows.
    bool m_guiCountedByHand = false;
};

// Empty when the process cannot be opened or its memory not read.
std::optional<ProcessFigures> MeasureProcess(DWORD processId);
// The threads of the process in a toolhelp snapshot of the system's threads.
DWORD CountThreads(DWORD processId);
// One thread of the process; 0 when it has none.
DWORD FirstThread(DWORD processId);
