#include "support/EventLog.h"

#include <windows.h>

#include "support/Barrier.h"
#include "support/ModuleVersion.h"
#include "support/PathParts.h"
#include "support/UniqueHandle.h"

namespace {

// Opens the source named after this module's file, calls write with it and closes it again.
template <class Write> int WithEventSource(Write write) noexcept {
    return Barrier(L"the event log", 0, [&write] {
        const std::wstring source = SplitPath(GetModulePath()).m_name;
        const unique_event_source log(RegisterEventSourceW(nullptr, source.c_str()));
        return log ? write(log.get()) : 0;
    });
}

} // namespace

int ReportErrorEvent(const char* text) noexcept {
    return WithEventSource([text](HANDLE log) {
        const char* strings[] = {text ? text : ""};
        return static_cast<int>(
            ReportEventA(log, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr));
    });
}

int ReportInfoEvent(const wchar_t* text) noexcept {
    return WithEventSource([text](HANDLE log) {
        const wchar_t* strings[] = {text ? text : L""};
        return static_cast<int>(
            ReportEventW(log, EVENTLOG_INFORMATION_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr));
    });
}
