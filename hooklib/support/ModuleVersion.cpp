#include "support/ModuleVersion.h"

#include <algorithm>

// The linker's symbol for this module's own header (its HINSTANCE).
extern "C" IMAGE_DOS_HEADER __ImageBase; // NOLINT(bugprone-reserved-identifier)

namespace {
// Used when a resource carries no translation table.
constexpr WORD kDefaultLanguage = 0x0409;
constexpr WORD kDefaultCodePage = 1252;
constexpr DWORD kFixedSignature = 0xFEEF04BD;
} // namespace

HMODULE GetThisModule() {
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

CStdString GetModulePath() {
    wchar_t path[1024] = {};
    const DWORD length = GetModuleFileNameW(GetThisModule(), path, 1024);
    if (length == 0 || length >= 1024) {
        return CStdString();
    }
    return CStdString(path);
}

CModuleVersion::CModuleVersion() : VS_FIXEDFILEINFO{} {}

bool CModuleVersion::LoadVersionInfo(const CStdString& path) {
    m_wCodePage = kDefaultCodePage;
    m_wLanguage = kDefaultLanguage;
    static_cast<VS_FIXEDFILEINFO&>(*this) = VS_FIXEDFILEINFO{};

    // The whole path is used as it is: a long path is never cut to a fixed buffer.
    const CStdString file = path.empty() ? GetModulePath() : path;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) {
        return false;
    }
    m_pVersionInfo = std::make_unique<BYTE[]>(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, m_pVersionInfo.get())) {
        return false;
    }
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(m_pVersionInfo.get(), L"\\", &fixed, &fixedSize) || fixed == nullptr) {
        return false;
    }
    std::copy_n(static_cast<const BYTE*>(fixed),
                std::min<size_t>(fixedSize, sizeof(VS_FIXEDFILEINFO)),
                reinterpret_cast<BYTE*>(static_cast<VS_FIXEDFILEINFO*>(this)));
    void* translation = nullptr;
    UINT translationSize = 0;
    if (VerQueryValueW(m_pVersionInfo.get(), L"\\VarFileInfo\\Translation", &translation,
                       &translationSize) &&
        translation != nullptr && translationSize >= 4) {
        const WORD* entry = static_cast<const WORD*>(translation);
        m_wLanguage = entry[0];
        m_wCodePage = entry[1];
    }
    return dwSignature == kFixedSignature;
}

CStdString CModuleVersion::GetFileVersionString() const {
    if (!m_pVersionInfo) {
        return CStdString();
    }
    CStdString query;
    query.Format(L"\\StringFileInfo\\%04x%04x\\%s", m_wLanguage, m_wCodePage, L"FileVersion");
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(m_pVersionInfo.get(), query.c_str(), &value, &length) || value == nullptr) {
        return CStdString();
    }
    return CStdString(static_cast<const wchar_t*>(value));
}

CStdString CModuleVersion::GetModuleFileVersion() {
    LoadVersionInfo(GetModulePath());
    return GetFileVersionString();
}

int CopyModuleVersion(wchar_t* buffer, unsigned long size) {
    if (buffer == nullptr) {
        return 0;
    }
    CModuleVersion version;
    const CStdString text = version.GetModuleFileVersion();
    if (text.size() >= size) {
        return 0;
    }
    std::fill_n(std::copy(text.begin(), text.end(), buffer), size - text.size(), L'\0');
    return 1;
}
