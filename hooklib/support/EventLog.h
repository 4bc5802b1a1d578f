#pragma once
// Entries in the Windows event log under this module's file name as source.

// An error entry with the text of a caught exception. The result of ReportEventA, or 0 when
// the event source cannot be opened. Never throws.
int ReportErrorEvent(const char* text) noexcept;

// Whether a failure about subject (a window, or null for the process itself) that may repeat is
// to be reported now: true at most once a minute per subject, whatever the report.
bool MayReportRepeatedFailure(const void* subject) noexcept;

// An error entry for such a failure; 0 when the entry was held back.
int ReportRepeatedErrorEvent(const void* subject, const char* text) noexcept;

// Lets every subject report again at once (for tests that check each entry a call writes).
void ForgetRepeatedErrorEvents() noexcept;

// An information entry. The result of ReportEventW, or 0 when the source cannot be opened.
int ReportInfoEvent(const wchar_t* text) noexcept;
