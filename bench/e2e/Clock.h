#pragma once
// The performance counter in milliseconds: how the benchmark's probes time a key inside the
// process that handles it.
#include <windows.h>

inline LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

inline double MsSince(LARGE_INTEGER start) {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    return static_cast<double>(Now().QuadPart - start.QuadPart) / ticksPerMs;
}
