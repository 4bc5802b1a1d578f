#pragma once
// What one benchmark run measured, and the table it prints with the targets beside the figures.
#include <optional>
#include <string>
#include <vector>

#include "BenchTarget.h"

enum QueryKind { kPlainQuery = 0, kRomajiQuery = 1 };

// One typed key: until the selection it caused, or, for a key that selected nothing, until
// its handling ended (what the user waited for either way).
struct TypedKey {
    double m_ms = 0;
    bool m_selected = false;
    // Position of the key in its query: 0 is the first key of a search.
    int m_position = 0;
    bool m_processFirst = false;
};

struct SizeResults {
    int m_names = 0;
    std::vector<TypedKey> m_library[2];
    std::vector<TypedKey> m_typeAhead[2];
    std::optional<HostOpTimes> m_hostWithout;
    std::optional<HostOpTimes> m_hostWith;
    std::optional<MemorySample> m_memoryBefore;
    std::optional<MemorySample> m_memoryAttached;
    std::optional<MemorySample> m_memoryAfterRomaji;
    // What went wrong on the way (a target that did not start or attach, keys given up).
    std::vector<std::string> m_problems;
};

// One shell view (Wine's file browser or a file dialog) over a real folder of names files.
struct ShellResults {
    int m_names = 0;
    const char* m_view = "";
    // From the view's start until it listed every file; below 0 when it did not.
    double m_listedMs = -1;
    // The text of every item (LVM_GETITEMTEXTW), timed in the view's thread; below 0 when not.
    double m_readAllMs = -1;
    std::vector<TypedKey> m_library[2];
    // The view's own type-ahead, before the library attached: the first query of each kind.
    std::vector<TypedKey> m_typeAhead[2];
    std::vector<std::string> m_problems;
};

struct RunInfo {
    std::string m_build;
    std::string m_wine;
    int m_typeDelayMs = 0;
    int m_inputIntervalMs = 0;
    // Before each query, the first key of the process included.
    int m_searchPauseMs = 0;
    bool m_toolTip = false;
    // The file dialog attached through the library's file-dialog setting, not a rule.
    bool m_fileDialogSetting = false;
};

void PrintResults(const RunInfo& info, const std::vector<SizeResults>& sizes);
void PrintShellResults(const RunInfo& info, const std::vector<ShellResults>& views);
