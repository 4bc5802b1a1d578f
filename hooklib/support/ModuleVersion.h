#pragma once
// The library's facts about itself: its file path and the FileVersion of its version resource.
#include <windows.h>

#include <memory>

#include "support/StdString.h"

// Full path of the module that holds this code (the library, or a test program linking it).
// Every process asks with its own handle, so the path is right wherever the module is mapped.
CStdString GetModulePath();

// This module's handle in the calling process.
HMODULE GetThisModule();

class CModuleVersion : public VS_FIXEDFILEINFO {
  public:
    CModuleVersion();
    virtual ~CModuleVersion() = default;
    CModuleVersion(const CModuleVersion&) = delete;
    CModuleVersion& operator=(const CModuleVersion&) = delete;

    static CStdString GetModulePath() { return ::GetModulePath(); }
    // Reads the version resource of the file at path (empty: this module).
    bool LoadVersionInfo(const CStdString& path);
    CStdString GetFileVersionString() const;
    CStdString GetModuleFileVersion();

    WORD Language() const { return m_wLanguage; }
    WORD CodePage() const { return m_wCodePage; }

  private:
    std::unique_ptr<BYTE[]> m_pVersionInfo;
    WORD m_wLanguage = 0;
    WORD m_wCodePage = 0;
};

// Copies the module's file version into buffer (size characters, the rest zero-filled).
// 1 on success; 0 with the buffer untouched when it is null or too small.
int CopyModuleVersion(wchar_t* buffer, unsigned long size);
