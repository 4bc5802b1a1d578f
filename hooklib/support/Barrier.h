#pragma once
// The barrier of every entry point that the host or the system calls: hook, window, subclass
// and dialog procedures, enumeration callbacks, worker threads and the exports. Their callers
// are the system's frames (user32, the loader), which no C++ exception may cross. A failure is
// written where a developer sees it and users never do, OutputDebugStringW (a debugger,
// DebugView, Wine's +debugstr channel), and the entry point returns what it returns when it has
// nothing to do. Header-only, so the launcher has it without the library's code.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <exception>
#include <utility>

// Where a failure's trace goes: OutputDebugStringW unless a test set another.
using TraceSink = void (*)(const wchar_t* text);

inline std::atomic<TraceSink> CurrentTraceSink{nullptr};

// Sends traces to sink instead of the debugger's output (null: back to it); returns the one set
// before.
inline TraceSink SetTraceSink(TraceSink sink) noexcept {
    return CurrentTraceSink.exchange(sink);
}

inline wchar_t TraceCharacter(wchar_t c) noexcept {
    return c;
}
inline wchar_t TraceCharacter(char c) noexcept {
    return static_cast<wchar_t>(static_cast<unsigned char>(c));
}

// "Skimvue: <entry> failed: <what>", cut to a fixed buffer: nothing is allocated, as the failure
// may be that memory ran out. The texts of what() are ASCII here; a byte is taken as a character.
inline void TraceFailure(const wchar_t* entry, const char* what) noexcept {
    wchar_t text[512];
    size_t length = 0;
    const auto append = [&](auto* part) {
        for (; *part != 0 && length + 2 < sizeof(text) / sizeof(text[0]); ++part) {
            text[length++] = TraceCharacter(*part);
        }
    };
    append(L"Skimvue: ");
    append(entry);
    append(L" failed: ");
    append(what != nullptr ? what : "an exception that is not a std::exception");
    text[length++] = L'\n';
    text[length] = 0;
    const TraceSink sink = CurrentTraceSink.load();
    if (sink != nullptr) {
        sink(text);
    } else {
        OutputDebugStringW(text);
    }
}

// Runs body and returns what it returns; anything it throws is traced and gives fallback.
template <class Result, class Body>
Result Barrier(const wchar_t* entry, Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const std::exception& e) {
        TraceFailure(entry, e.what());
    } catch (...) {
        TraceFailure(entry, nullptr);
    }
    return fallback;
}

// The same for a body that returns nothing.
template <class Body> void Barrier(const wchar_t* entry, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (const std::exception& e) {
        TraceFailure(entry, e.what());
    } catch (...) {
        TraceFailure(entry, nullptr);
    }
}
