// Windows: migemo.dll or migemo32.dll from the library directory, conversions with the code
// page functions of the system (the C runtime's locale belongs to the host process).
#include <windows.h>

#include "search/MigemoLibrary.h"
#include "support/ModuleVersion.h"
#include "support/PathParts.h"

namespace {

constexpr UINT kCodePage = 932;

template <class EntryPoint> void Resolve(HMODULE module, const char* name, EntryPoint& entry) {
    entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

unique_hmodule LoadFrom(const std::wstring& dir) {
    for (const wchar_t* name : {L"migemo.dll", L"migemo32.dll"}) {
        unique_hmodule module(LoadLibraryW((dir + L'\\' + name).c_str()));
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
    library->m_module = std::move(module);
    return library;
}

std::wstring DefaultMigemoDir() {
    return DirectoryOf(GetModulePath());
}

std::string MigemoDictionaryPath(const std::wstring& dir) {
    return ToCp932(dir + L"\\dict\\cp932\\migemo-dict").value_or(std::string());
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
