#pragma once
// A program started by a test or benchmark, ended with the object.
#include <windows.h>

#include <string>

#include "support/UniqueHandle.h"

class CProcess {
  public:
    CProcess() = default;
    // Started in the folder of the running program (BinDir).
    explicit CProcess(const std::wstring& commandLine);
    ~CProcess() { Kill(); }
    CProcess(CProcess&&) = default;
    CProcess& operator=(CProcess&&) = default;

    HANDLE Handle() const { return m_process.get(); }
    DWORD Id() const { return m_process ? GetProcessId(m_process.get()) : 0; }
    bool IsRunning() const;
    // Terminates the program if it still runs, as a crash or the task manager would end it.
    void Kill();
    // The exit code once the program has ended within timeoutMs; STILL_ACTIVE otherwise.
    DWORD WaitExit(DWORD timeoutMs) const;

  private:
    unique_handle m_process;
};
