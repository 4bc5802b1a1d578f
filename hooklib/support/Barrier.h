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
#include <iterator>
#include <type_traits>
#include <utility>

#include "support/Failure.h"

// Where a failure's trace goes: OutputDebugStringW unless a test set another.
using TraceSink = void (*)(const wchar_t* text);

inline std::atomic<TraceSink> CurrentTraceSink{nullptr};

// Sends traces to sink instead of the debugger's output (null: back to it); returns the one set
// before.
inline TraceSink SetTraceSink(TraceSink sink) noexcept {
    return CurrentTraceSink.exchange(sink);
}

// One line of the trace, built in a fixed buffer and cut to it: nothing is allocated, as the
// failure may be that memory ran out. Narrow texts are ASCII here; a byte is taken as a character.
class CTraceLine {
  public:
    CTraceLine& operator<<(const wchar_t* part) noexcept { return Append(part); }
    CTraceLine& operator<<(const char* part) noexcept { return Append(part); }
    // As the platform writes result codes: 0x80070005.
    CTraceLine& Hex(unsigned long value) noexcept {
        wchar_t digits[] = L"0x00000000";
        for (int i = 9; i >= 2; --i, value >>= 4) {
            digits[i] = L"0123456789ABCDEF"[value & 0xF];
        }
        return Append(digits);
    }
    CTraceLine& Number(unsigned value) noexcept {
        wchar_t digits[12] = {};
        size_t at = std::size(digits) - 1;
        do {
            digits[--at] = static_cast<wchar_t>(L'0' + value % 10);
            value /= 10;
        } while (value != 0);
        return Append(digits + at);
    }
    // Ends the line and hands it to the trace's sink.
    void Send() noexcept {
        m_text[m_length++] = L'\n';
        m_text[m_length] = 0;
        const TraceSink sink = CurrentTraceSink.load();
        if (sink != nullptr) {
            sink(m_text);
        } else {
            OutputDebugStringW(m_text);
        }
    }

  private:
    template <class Char> CTraceLine& Append(const Char* part) noexcept {
        for (; *part != 0 && m_length + 2 < std::size(m_text); ++part) {
            m_text[m_length++] =
                static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(*part));
        }
        return *this;
    }

    wchar_t m_text[512] = {};
    size_t m_length = 0;
};

// "Skimvue: <entry> failed: <what>".
inline void TraceFailure(const wchar_t* entry, const char* what) noexcept {
    CTraceLine line;
    (line << L"Skimvue: " << entry << L" failed: "
          << (what != nullptr ? what : "an exception that is not a std::exception"))
        .Send();
}

// The failure being handled (call it inside a catch block). A failed check gives the call as
// written, its result code and its place: "Skimvue: <entry> failed: psw->get_Count(&count),
// 0x80004001, ExplorerCtrl.cpp:411"; anything else what it says of itself.
inline void TraceCaughtFailure(const wchar_t* entry) noexcept {
    try {
        throw;
    } catch (const CFailure& failure) {
        CTraceLine line;
        line << L"Skimvue: " << entry << L" failed: " << failure.Call() << failure.Suffix()
             << L", ";
        line.Hex(static_cast<unsigned long>(failure.Code())) << L", " << failure.File() << L":";
        line.Number(static_cast<unsigned>(failure.Line())).Send();
    } catch (const std::exception& e) {
        TraceFailure(entry, e.what());
    } catch (...) {
        TraceFailure(entry, nullptr);
    }
}

// Runs body and returns what it returns; anything it throws is traced and gives fallback.
template <class Result, class Body>
Result Barrier(const wchar_t* entry, Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        TraceCaughtFailure(entry);
    }
    return fallback;
}

// The same for a body that returns nothing.
template <class Body> void Barrier(const wchar_t* entry, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        TraceCaughtFailure(entry);
    }
}
