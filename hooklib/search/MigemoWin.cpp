// Windows: migemo.dll or migemo32.dll from the library directory, conversions with the code
// page functions of the system (the C runtime's locale belongs to the host process).
#include <windows.h>

#include "search/MigemoLibrary.h"
#include "support/Barrier.h"
#include "support/ModuleVersion.h"
#include "support/PathParts.h"

namespace {

constexpr UINT kCodePage = 932;
// The longest cp932 dictionary path handed to migemo_open. Builds of the library other than ours
// copy the dictionary's folder and a table's name after it into buffers of MAX_PATH (260) bytes
// with no check; 200 leaves room for "/roma2hira.dat" and more.
constexpr size_t kMaxNarrowDictionaryPath = 200;

template <class EntryPoint> void Resolve(HMODULE module, const char* name, EntryPoint& entry) {
    entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// By full path only, with the library's own dependencies looked up in its folder and System32:
// the host's standard search would also try the host's folder, the current directory and PATH.
// The flags refuse a relative folder (ERROR_INVALID_PARAMETER, under Wine too), which the
// standard search would resolve against the host's current directory.
unique_hmodule LoadFrom(const std::wstring& dir) {
    constexpr DWORD kSearch = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
    for (const wchar_t* name : {L"migemo.dll", L"migemo32.dll"}) {
        unique_hmodule module(LoadLibraryExW((dir + L'\\' + name).c_str(), nullptr, kSearch));
        if (module) {
            return module;
        }
    }
    return unique_hmodule();
}

} // namespace

std::unique_ptr<MigemoLibrary> LoadMigemoLibrary(const std::wstring& dir) {
    unique_hmodule module = LoadFrom(dir);
    if (!module) {
        return nullptr;
    }
    auto library = std::make_unique<MigemoLibrary>();
    Resolve(module.get(), "migemo_open", library->m_open);
    Resolve(module.get(), "migemo_close", library->m_close);
    Resolve(module.get(), "migemo_query", library->m_query);
    Resolve(module.get(), "migemo_release", library->m_release);
    Resolve(module.get(), "migemo_set_operator", library->m_setOperator);
    Resolve(module.get(), "migemo_is_enable", library->m_isEnable);
    Resolve(module.get(), "migemo_open_w", library->m_openWide);
    library->m_module = std::move(module);
    return library;
}

std::wstring DefaultMigemoDir() {
    return DirectoryOf(GetModulePath());
}

void* OpenMigemoDictionary(const MigemoLibrary& library, const std::wstring& dir) {
    const std::wstring path = dir + L"\\dict\\cp932\\migemo-dict";
    if (library.m_openWide) {
        return library.m_openWide(path.c_str());
    }
    // A folder outside the code page, or one too long for the library's buffers, is never
    // handed to it: that library cannot open it, and might overrun its stack trying.
    const std::optional<std::string> narrow = ToCp932(path);
    if (!narrow || narrow->size() > kMaxNarrowDictionaryPath) {
        return nullptr;
    }
    return library.m_open(narrow->c_str());
}

// Traced, as the adapter's failures are: the event log would hold one entry per process that
// ever searched, for a condition the user sees at once (romaji finds nothing).
void ReportMigemoDictionaryUnavailable(const std::wstring&) noexcept {
    TraceFailure(L"Migemo", "the dictionary under the library folder did not open; romaji search "
                            "is off in this process");
}

std::optional<std::string> ToCp932(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size() * 2);
    for (const wchar_t c : text) {
        char bytes[4] = {};
        BOOL usedDefault = FALSE;
        const int length = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, bytes,
                                               sizeof bytes, nullptr, &usedDefault);
        if (length <= 0 || usedDefault) {
            return std::nullopt;
        }
        narrow.append(bytes, static_cast<size_t>(length));
    }
    return narrow;
}

std::wstring FromCp932(const char* text) {
    const int bytes = static_cast<int>(strlen(text));
    if (bytes == 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(bytes), L'\0');
    const int length = MultiByteToWideChar(kCodePage, 0, text, bytes, wide.data(), bytes);
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}
