#include "settings/ParamFile.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "settings/SettingsValues.h"
#include "support/ModuleVersion.h"
#include "support/PathParts.h"
#include "support/UniqueHandle.h"

namespace {

constexpr wchar_t kSection[] = L"General";

class CPrivateProfile : public CProfileStore {
  public:
    explicit CPrivateProfile(CStdString path) : m_path(std::move(path)) {}

    std::wstring Read(const std::wstring& key, const std::wstring& def, size_t capacity) override {
        std::vector<wchar_t> buffer(capacity, L'\0');
        const DWORD length =
            GetPrivateProfileStringW(kSection, key.c_str(), def.c_str(), buffer.data(),
                                     static_cast<DWORD>(capacity), m_path.c_str());
        return std::wstring(buffer.data(), std::min<size_t>(length, capacity - 1));
    }

    void Write(const std::wstring& key, const std::wstring& value) override {
        WritePrivateProfileStringW(kSection, key.c_str(), value.c_str(), m_path.c_str());
    }

  private:
    CStdString m_path;
};

// A failed lookup leaves the folder empty, which counts as contained in every path.
std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) {
        return std::wstring();
    }
    return path;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsProtected(const std::wstring& path) {
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS}) {
        if (path.find(SpecialFolder(csidl)) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

bool IsInSystemRoot(const PathParts& parts) {
    return parts.drive == SplitPath(SpecialFolder(CSIDL_WINDOWS)).drive && parts.directory == L"\\";
}

} // namespace

CStdString ResolveParamFilePath(const CStdString& modulePath) {
    const size_t dot = modulePath.rfind(L'.');
    CStdString besideLibrary(modulePath.substr(0, dot));
    besideLibrary += L".ini";

    const PathParts parts = SplitPath(besideLibrary);
    if (!IsProtected(besideLibrary) && !IsInSystemRoot(parts)) {
        return besideLibrary;
    }
    const std::wstring directory = parts.directory.substr(0, parts.directory.size() - 1);
    const size_t lastBackslash = directory.rfind(L'\\');
    if (parts.directory.empty() || lastBackslash == std::wstring::npos) {
        return besideLibrary;
    }
    const std::wstring perUserFolder =
        SpecialFolder(CSIDL_APPDATA) + directory.substr(lastBackslash);
    CStdString perUserFile(perUserFolder + L"\\" + parts.name + parts.extension);
    if (FileExists(besideLibrary) && !FileExists(perUserFile) &&
        CreateDirectoryW(perUserFolder.c_str(), nullptr)) {
        CopyFileW(besideLibrary.c_str(), perUserFile.c_str(), FALSE);
    }
    return perUserFile;
}

CStdString GetParamFilePath() {
    return ResolveParamFilePath(GetModulePath());
}

void ExchangeParamFile(bool save) {
    CPrivateProfile profile(GetParamFilePath());
    ExchangeSettings(profile, save);
}

void OpenParamFileInEditor(HWND owner) {
    // The whole path is handed to the shell; a long path is never cut to a fixed buffer.
    const CStdString path = GetParamFilePath();
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpFile = path.c_str();
    info.nShow = SW_SHOW;
    if (!ShellExecuteExW(&info) || reinterpret_cast<INT_PTR>(info.hInstApp) <= 32) {
        return;
    }
    unique_handle process(info.hProcess);
    if (process) {
        WaitForSingleObject(process.get(), INFINITE);
    }
    ExchangeParamFile(false);
}
