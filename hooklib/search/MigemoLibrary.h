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
    using IsEnable = int(SKIMVUE_MIGEMO_CALL*)(void* object);
#ifdef _WIN32
    // Our build's migemo.dll opens a UTF-16 path with _wfopen; other builds lack it.
    using OpenWide = void*(SKIMVUE_MIGEMO_CALL*)(const wchar_t* dict);
#endif

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
    // Whether the object's dictionary loaded: migemo_open answers an object either way.
    IsEnable m_isEnable = nullptr;
#ifdef _WIN32
    OpenWide m_openWide = nullptr;
#endif
};

// Loads the library from dir (empty: the platform's default place) and resolves its entry
// points; a name not found leaves its entry point null. Null when no library file loads.
std::unique_ptr<MigemoLibrary> LoadMigemoLibrary(const std::wstring& dir);

// The directory used when no process library directory is set.
std::wstring DefaultMigemoDir();

// A Migemo object for the cp932 dictionary under dir, opened through the entry point that can
// take its path; null when none can (the path is not handed to the library then).
void* OpenMigemoDictionary(const MigemoLibrary& library, const std::wstring& dir);

// The one diagnostic of a process whose library loaded but whose dictionary did not open: romaji
// search is off.
void ReportMigemoDictionaryUnavailable(const std::wstring& dir) noexcept;

// Conversions to and from code page 932 that touch no process-wide state. ToCp932 gives no
// result when a character does not fit the code page; FromCp932 replaces malformed bytes.
std::optional<std::string> ToCp932(const std::wstring& text);
std::wstring FromCp932(const char* text);
