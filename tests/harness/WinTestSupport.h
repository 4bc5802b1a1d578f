#pragma once
// Helpers for tests that run as Windows programs under Wine.
#include <windows.h>

#include <cstdint>
#include <string>

// Folder of the running test program; the built library and the probe lie beside it.
std::wstring BinDir();
// The hook library of this build (Skimvue64.dll or Skimvue.dll) beside the test program.
std::wstring LibraryPath();
std::wstring ProbePath();

struct ProcessResult {
    DWORD m_exitCode = 0xFFFFFFFF;
    std::string m_output;
    bool m_started = false;
};

// Runs commandLine, collects its standard output, waits at most timeoutMs.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30000);

// The library's shared data section as mapped in this process.
struct SectionView {
    void* m_address = nullptr;
    size_t m_size = 0;
    DWORD m_characteristics = 0;
};
SectionView FindSection(HMODULE module, const char* name);

// A fresh empty folder under the system's temporary folder, removed again on destruction.
class CTempDir {
  public:
    explicit CTempDir(const std::wstring& name);
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::wstring& Path() const { return m_path; }

  private:
    std::wstring m_path;
};

void RemoveTree(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
// The text of a file saved as UTF-16 LE after its byte-order mark (as the settings file is);
// empty when the file does not begin with the mark.
std::wstring ReadUtf16File(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ToUtf8(const std::wstring& text);
// "Wine " and its version, or "Windows".
std::string WineVersion();
