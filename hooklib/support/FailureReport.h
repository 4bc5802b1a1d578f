#pragma once
// The one way a failure caught in the library's operations leaves them: a trace line for
// developers and, where the user should hear of it, an entry in the event log. A failure that
// repeats at every key or every tick (a view that cannot be read, Explorer gone for a while) is
// reported once a minute per subject: the event log is the user's, and a host that floods it is a
// host at fault.
#include "support/Barrier.h"

enum class FailureAudience {
    // The trace only.
    Developer,
    // The trace, and a failed call's text ("failed: CoCreateInstance") in the event log.
    User,
};

// Reports the failure being handled (call it inside a catch block) for the operation entry,
// about subject (a window, or null for the process). Only failed calls (CFailure) reach the event
// log; anything else is a fault of the library's own and is traced. True when an event-log entry
// was written.
bool ReportCaughtFailure(const wchar_t* entry, const void* subject,
                         FailureAudience audience) noexcept;

// Lets every subject report again at once (for tests that check each report a call makes).
void ForgetReportedFailures() noexcept;

// The barrier of an operation that may fail at every call: runs body and returns what it returns;
// anything it throws is reported as above and gives fallback.
template <class Result, class Body>
Result ReportingBarrier(const wchar_t* entry, const void* subject, FailureAudience audience,
                        Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        ReportCaughtFailure(entry, subject, audience);
    }
    return fallback;
}
