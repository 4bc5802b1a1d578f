#pragma once
// One run of the benchmark's target program, seen from the benchmark: started with its own
// report block, typed into with real keys, asked to time the host's own work, ended with the
// object.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TargetReport.h"
#include "support/UniqueHandle.h"

struct MemorySample {
    double m_workingSetMb = 0;
    double m_privateMb = 0;
};

class CBenchTarget {
  public:
    // Starts the target beside this program with count names, its frame of class frameClass.
    CBenchTarget(int count, const std::wstring& frameClass);
    ~CBenchTarget();
    CBenchTarget(const CBenchTarget&) = delete;
    CBenchTarget& operator=(const CBenchTarget&) = delete;

    // Waits until the target shows its filled list; false when it did not within timeoutMs.
    bool WaitReady(DWORD timeoutMs);
    HWND Frame() const { return m_frame; }
    double FillMs() const { return m_report->m_fillMs; }
    // True while something has subclassed the target's list view.
    bool IsAttached() const;
    // Types text into the list view, one key press per character typeDelayMs apart, and
    // returns the records of the keys the target handled. A key that is not handled within
    // keyTimeoutMs of the previous one is given up (its record is missing).
    std::vector<KeyRecord> Type(const std::wstring& text, DWORD typeDelayMs, DWORD keyTimeoutMs);
    std::optional<HostOpTimes> TimeHostOps(int runs, DWORD timeoutMs) const;
    std::optional<MemorySample> Memory() const;

  private:
    unique_handle m_mapping;
    unique_mapped_view m_view;
    TargetReport* m_report = nullptr;
    unique_handle m_process;
    std::wstring m_title;
    HWND m_frame = nullptr;
};

// Types text with real key presses typeDelayMs apart once focus() put the keyboard focus where
// they should go, and returns the records of the keys the target counted in keyCount and keys.
// A key that is not counted within keyTimeoutMs of the previous one is given up (its record is
// missing).
std::vector<KeyRecord> TypeKeys(const std::function<bool()>& focus, const volatile LONG& keyCount,
                                const KeyRecord* keys, const std::wstring& text, DWORD typeDelayMs,
                                DWORD keyTimeoutMs);
