#pragma once
// Entries in the Windows event log under this module's file name as source.

// An error entry with the text of a failed call (support/FailureReport.h reports them). The result
// of ReportEventA, or 0 when the event source cannot be opened. Never throws.
int ReportErrorEvent(const char* text) noexcept;

// An information entry. The result of ReportEventW, or 0 when the source cannot be opened.
int ReportInfoEvent(const wchar_t* text) noexcept;
