#include "BenchTarget.h"

#include "ProcessFigures.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"

namespace {

std::wstring NextSerial() {
    static int s_serial = 0;
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++s_serial);
}

} // namespace

CBenchTarget::CBenchTarget(int count, const std::wstring& frameClass) {
    const std::wstring serial = NextSerial();
    const std::wstring reportName = L"Local\\SkimvueBenchReport-" + serial;
    m_title = L"Skimvue bench target " + serial;
    m_mapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       sizeof(TargetReport), reportName.c_str()));
    if (!m_mapping) {
        return;
    }
    m_view.reset(MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(TargetReport)));
    m_report = static_cast<TargetReport*>(m_view.get());
    if (m_report == nullptr) {
        return;
    }
    std::wstring commandLine = L"\"" + BinDir() + L"\\skimvue_bench_target.exe\" --count " +
                               std::to_wstring(count) + L" --title \"" + m_title + L"\" --class " +
                               frameClass + L" --report " + reportName;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       BinDir().c_str(), &startup, &info)) {
        m_process.reset(info.hProcess);
        const unique_handle thread(info.hThread);
    }
}

CBenchTarget::~CBenchTarget() {
    if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process.get(), 9);
        WaitForSingleObject(m_process.get(), 10000);
    }
}

bool CBenchTarget::WaitReady(DWORD timeoutMs) {
    if (!m_process || m_report == nullptr) {
        return false;
    }
    return PumpUntil([&] { return (m_frame = FindWindowW(nullptr, m_title.c_str())) != nullptr; },
                     timeoutMs);
}

bool CBenchTarget::IsAttached() const {
    DWORD_PTR attached = 0;
    return SendMessageTimeoutW(m_frame, WM_BENCH_IS_ATTACHED, 0, 0, SMTO_NORMAL, 10000,
                               &attached) != 0 &&
           attached == 1;
}

std::vector<KeyRecord> TypeKeys(const std::function<bool()>& focus, const volatile LONG& keyCount,
                                const KeyRecord* keys, const std::wstring& text, DWORD typeDelayMs,
                                DWORD keyTimeoutMs) {
    const LONG first = keyCount;
    const LONG expected = first + static_cast<LONG>(text.size());
    if (expected <= kMaxKeyRecords && focus()) {
        Xdotool(L"type --delay " + std::to_wstring(typeDelayMs) + L" " + text);
        // Waits as long as the target keeps handling keys; a slow key is waited for, a lost or
        // stuck one is not.
        LONG seen = keyCount;
        DWORD lastProgress = GetTickCount();
        while (seen < expected && GetTickCount() - lastProgress < keyTimeoutMs) {
            PumpMessagesFor(20);
            if (keyCount != seen) {
                seen = keyCount;
                lastProgress = GetTickCount();
            }
        }
        // A selection made after the key's handling returned still lands in its record.
        PumpMessagesFor(200);
    }
    const LONG last = keyCount;
    return std::vector<KeyRecord>(keys + first, keys + last);
}

std::vector<KeyRecord> CBenchTarget::Type(const std::wstring& text, DWORD typeDelayMs,
                                          DWORD keyTimeoutMs) {
    return TypeKeys([this] { return FocusWindow(m_frame); }, m_report->m_keyCount, m_report->m_keys,
                    text, typeDelayMs, keyTimeoutMs);
}

std::optional<HostOpTimes> CBenchTarget::TimeHostOps(int runs, DWORD timeoutMs) const {
    DWORD_PTR done = 0;
    if (SendMessageTimeoutW(m_frame, WM_BENCH_HOST_OPS, static_cast<WPARAM>(runs), 0, SMTO_NORMAL,
                            timeoutMs, &done) == 0 ||
        done != 1) {
        return std::nullopt;
    }
    return m_report->m_hostOps;
}

std::optional<MemorySample> CBenchTarget::Memory() const {
    const std::optional<ProcessFigures> figures = MeasureProcess(GetProcessId(m_process.get()));
    if (!figures) {
        return std::nullopt;
    }
    return MemorySample{figures->m_workingSetMb, figures->m_privateMb};
}
