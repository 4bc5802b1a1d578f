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
    double ms = 0;
    bool selected = false;
    // Position of the key in its query: 0 is the first key of a search.
    int position = 0;
    bool processFirst = false;
};

struct SizeResults {
    int names = 0;
    std::vector<TypedKey> library[2];
    std::vector<TypedKey> typeAhead[2];
    std::optional<HostOpTimes> hostWithout;
    std::optional<HostOpTimes> hostWith;
    std::optional<MemorySample> memoryBefore;
    std::optional<MemorySample> memoryAttached;
    std::optional<MemorySample> memoryAfterRomaji;
    // What went wrong on the way (a target that did not start or attach, keys given up).
    std::vector<std::string> problems;
};

struct RunInfo {
    std::string build;
    std::string wine;
    int typeDelayMs = 0;
    int inputIntervalMs = 0;
    // Before each query, the first key of the process included.
    int searchPauseMs = 0;
    bool toolTip = false;
};

void PrintResults(const RunInfo& info, const std::vector<SizeResults>& sizes);
