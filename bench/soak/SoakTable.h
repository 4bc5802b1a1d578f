#pragma once
// What one soak run measured and counted, and the table it prints.
#include <optional>
#include <string>
#include <vector>

#include "ProcessFigures.h"

// One process measured once warmed up and again at the end of the run.
struct StartEnd {
    std::optional<ProcessFigures> m_start;
    std::optional<ProcessFigures> m_end;
};

struct SoakCounts {
    int m_windowsCreated = 0;
    int m_windowsAttached = 0;
    int m_keysTyped = 0;
    // Characters that reached the target's list views, and those whose search selected an item.
    int m_keysReceived = 0;
    int m_keysSelecting = 0;
    int m_restarts = 0;
    // Windows open when a launcher was killed, and those the next one adopted.
    int m_windowsAtRestarts = 0;
    int m_windowsAdopted = 0;
    // Windows open when the last launcher exited, and those its exit detached.
    int m_windowsAtExit = 0;
    int m_windowsDetached = 0;
    // Launchers or targets that ended on their own.
    int m_crashes = 0;
    bool m_targetSurvived = false;
};

struct SoakRun {
    std::string m_build;
    std::string m_wine;
    int m_names = 0;
    int m_seconds = 0;
    StartEnd m_target;
    // The first launcher at the start, the last one (after the restarts) at the end.
    StartEnd m_launcher;
    SoakCounts m_counts;
    std::vector<std::string> m_problems;
};

std::string FormatSoakTable(const SoakRun& run);
