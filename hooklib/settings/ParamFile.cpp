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

// Reads through the system's private-profile functions, which take a file that begins with the
// UTF-16 LE byte-order mark as UTF-16 and any other as the ANSI code page (so a file of the
// older form still loads). Writes collect the whole file, which Commit puts in place at once.
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
        m_text += key + L'=' + value + L"\r\n";
    }

    // The collected file, UTF-16 LE with its byte-order mark so that any name survives, written
    // beside the old file and moved over it in one step: a save cut short leaves the old file
    // whole (and at most the temporary one beside it, which nothing reads).
    void Commit() const {
        const std::wstring text = L"\xFEFF[" + std::wstring(kSection) + L"]\r\n" + m_text;
        const std::wstring temporary = m_path + L".saving";
        const bool written = WriteWhole(temporary, text) &&
                             MoveFileExW(temporary.c_str(), m_path.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!written) {
            DeleteFileW(temporary.c_str());
        }
        // The system may keep the file it last read in a cache; it must read the new one.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_path.c_str());
    }

  private:
    // wchar_t is UTF-16 LE on Windows, so the string's bytes are the file's.
    static bool WriteWhole(const std::wstring& path, const std::wstring& text) {
        const unique_hfile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        const auto size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        DWORD done = 0;
        return file && WriteFile(file.get(), text.data(), size, &done, nullptr) && done == size &&
               FlushFileBuffers(file.get());
    }

    CStdString m_path;
    std::wstring m_text;
};

// A failed lookup leaves the folder empty, which counts as contained in every path.
std::wstring SpecialFolder(int csidl, bool create = false) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, create ? TRUE : FALSE)) {
        return std::wstring();
    }
    return path;
}

// A 32-bit process on 64-bit Windows is told "Program Files (x86)" for both program folders;
// the system keeps the native one in the 64-bit view of the registry. Empty where there is none.
std::wstring NativeProgramFiles() {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return std::wstring();
    }
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (RegGetValueW(key.get(), nullptr, L"ProgramFilesDir", RRF_RT_REG_SZ, nullptr, path, &size) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    return path;
}

// The path with its 8.3 components spelt out. Only an existing file or folder can be looked up,
// so for a file that is not there yet its folder is.
std::wstring LongForm(const std::wstring& path) {
    const DWORD needed = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed > 0) {
        std::vector<wchar_t> buffer(needed, L'\0');
        const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), needed);
        if (length > 0 && length < needed) {
            return std::wstring(buffer.data(), length);
        }
    }
    const std::wstring folder = DirectoryOf(path);
    if (folder.empty() || folder == path) {
        return path;
    }
    return LongForm(folder) + path.substr(folder.size());
}

// File names compare in any letter case, as the file system compares them.
std::wstring UpperCase(const std::wstring& text) {
    if (text.empty()) {
        return text;
    }
    std::wstring upper(text.size(), L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(),
                                     static_cast<int>(text.size()), upper.data(),
                                     static_cast<int>(upper.size()), nullptr, nullptr, 0);
    return length == static_cast<int>(text.size()) ? upper : text;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsProtected(const std::wstring& path) {
    const std::wstring comparable = UpperCase(path);
    for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS}) {
        if (comparable.find(UpperCase(LongForm(SpecialFolder(csidl)))) != std::wstring::npos) {
            return true;
        }
    }
    const std::wstring native = NativeProgramFiles();
    return !native.empty() && comparable.find(UpperCase(LongForm(native))) != std::wstring::npos;
}

bool IsInSystemRoot(const PathParts& parts) {
    return UpperCase(parts.m_drive) == UpperCase(SplitPath(SpecialFolder(CSIDL_WINDOWS)).m_drive) &&
           parts.m_directory == L"\\";
}

// The per-user copy lives in a folder of its own, which must exist before the system's profile
// writer can create the file in it. A file beside the library seeds the copy once.
void PreparePerUserFile(const std::wstring& folder, const std::wstring& file,
                        const std::wstring& besideLibrary) {
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return;
    }
    if (!FileExists(file) && FileExists(besideLibrary)) {
        CopyFileW(besideLibrary.c_str(), file.c_str(), TRUE);
    }
}

} // namespace

CStdString ResolveParamFilePath(const CStdString& modulePath) {
    const std::wstring module = LongForm(modulePath);
    const size_t dot = module.rfind(L'.');
    CStdString besideLibrary(module.substr(0, dot));
    besideLibrary += L".ini";

    const PathParts parts = SplitPath(besideLibrary);
    if (!IsProtected(besideLibrary) && !IsInSystemRoot(parts)) {
        return besideLibrary;
    }
    const std::wstring directory = parts.m_directory.substr(0, parts.m_directory.size() - 1);
    const size_t lastBackslash = directory.rfind(L'\\');
    const std::wstring appData = SpecialFolder(CSIDL_APPDATA, true);
    // Without the application-data folder there is nowhere to redirect to: a relative path
    // would land in whatever the current drive's root is.
    if (parts.m_directory.empty() || lastBackslash == std::wstring::npos || appData.empty()) {
        return besideLibrary;
    }
    const std::wstring perUserFolder = appData + directory.substr(lastBackslash);
    CStdString perUserFile(perUserFolder + L"\\" + parts.m_name + parts.m_extension);
    PreparePerUserFile(perUserFolder, perUserFile, besideLibrary);
    return perUserFile;
}

CStdString GetParamFilePath() {
    return ResolveParamFilePath(GetModulePath());
}

void ExchangeParamFile(bool save) {
    CPrivateProfile profile(GetParamFilePath());
    ExchangeSettings(profile, save);
    if (save) {
        profile.Commit();
    }
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
