#pragma once
// The Migemo library as loaded at run time: one module reference and the entry points resolved
// from it. Each platform provides the loading and the code page 932 conversions.
#include <memory>
#include <optional>
#include <string>

#include "support/UniqueHandle.h"

// The entry points are called as the library declares them: __stdcall in 32-bit Windows builds,
// the C convention everywhere else.
#if defined(_WIN32) && !defined(_WIN64)
#define SKIMVUE_MIGEMO_CALL __stdcall
#else
#define SKIMVUE_MIGEMO_CALL
#endif

struct MigemoLibrary {
    using Open = void*(SKIMVUE_MIGEMO_CALL*)(const char* dict);
    using Close = void(SKIMVUE_MIGEMO_CALL*)(void* object);
    using Query = unsigned char*(SKIMVUE_MIGEMO_CALL*)(void* object, const unsigned char* query);
    using Release = void(SKIMVUE_MIGEMO_CALL*)(void* object, unsigned char* text);
    using SetOperator = int(SKIMVUE_MIGEMO_CALL*)(void* object, int index, const unsigned char* op);

#ifdef _WIN32
    unique_hmodule m_module;
#else
    unique_dlhandle m_module;
#endif
    Open m_open = nullptr;
    Close m_close = nullptr;
    Query m_query = nullptr;
    Release m_release = nullptr;
    // Resolved so the library's own default operators are known to be in force; never called.
    SetOperator m_setOperator = nullptr;
};

// Loads the library from dir (empty: the platform's default place) and resolves its entry
// points; a name not found leaves its entry point null. Null when no library file loads.
std::unique_ptr<MigemoLibrary> LoadMigemoLibrary(const std::wstring& dir);

// The directory used when no process library directory is set.
std::wstring DefaultMigemoDir();

// The cp932 dictionary under dir, as the narrow path migemo_open takes.
std::string MigemoDictionaryPath(const std::wstring& dir);

// Conversions to and from code page 932 that touch no process-wide state. ToCp932 gives no
// result when a character does not fit the code page; FromCp932 replaces malformed bytes.
std::optional<std::string> ToCp932(const std::wstring& text);
std::wstring FromCp932(const char* text);
