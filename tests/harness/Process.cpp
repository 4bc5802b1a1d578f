#include "harness/Process.h"

#include "harness/WinTestSupport.h"
#include "harness/XInput.h"

CProcess::CProcess(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, BinDir().c_str(),
                       &startup, &info)) {
        m_process.reset(info.hProcess);
        const unique_handle thread(info.hThread);
    }
}

bool CProcess::IsRunning() const {
    return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

void CProcess::Kill() {
    if (IsRunning()) {
        TerminateProcess(m_process.get(), 9);
        WaitForSingleObject(m_process.get(), 5000);
    }
}

DWORD CProcess::WaitExit(DWORD timeoutMs) const {
    PumpUntil([&] { return WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.get(), &code);
    return code;
}
