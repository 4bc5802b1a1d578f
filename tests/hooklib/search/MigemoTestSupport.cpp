#include "MigemoTestSupport.h"

#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include "support/UniqueHandle.h"
#endif

namespace fs = std::filesystem;

#ifdef _WIN32
fs::path RealMigemoLibrary() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path() / MigemoFileName();
}

fs::path MigemoFileName() {
    return L"migemo.dll";
}

fs::path RealDictionaryDir() {
    return RealMigemoLibrary().parent_path() / "dict" / "cp932";
}

static unsigned long ProcessId() {
    return GetCurrentProcessId();
}
#else
fs::path RealMigemoLibrary() {
    // Wherever the system's loader finds it.
    const unique_dlhandle module(dlopen("libmigemo.so.1", RTLD_NOW));
    Dl_info info{};
    if (!module || dladdr(dlsym(module.get(), "migemo_open"), &info) == 0) {
        return fs::path();
    }
    return fs::canonical(info.dli_fname);
}

fs::path MigemoFileName() {
    return "libmigemo.so.1";
}

fs::path RealDictionaryDir() {
    return "/usr/share/cmigemo/cp932";
}

static unsigned long ProcessId() {
    return static_cast<unsigned long>(getpid());
}
#endif

// UTF-8 literals: a path made of them converts the same whatever the C runtime's locale.
std::vector<fs::path> HostileFolderNames() {
    fs::path deep;
    for (int level = 0; level < 5; ++level) {
        deep /= u8"ドキュメントフォルダの中の古い資料と写真と保存用のフォルダ一覧"; // 31 characters
    }
    return {deep, fs::path(u8"문서 자료"), fs::path(u8"𠮷野家")};
}

std::wstring WidePath(const fs::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    const std::u32string text = path.u32string(); // UTF-8 to UTF-32 whatever the locale
    return std::wstring(text.begin(), text.end());
#endif
}

void CopyMigemoRuntime(const fs::path& dir) {
    fs::create_directories(dir / "dict" / "cp932");
    fs::copy_file(RealMigemoLibrary(), dir / MigemoFileName());
    fs::copy(RealDictionaryDir(), dir / "dict" / "cp932");
}

CScratchDir::CScratchDir(const std::string& name)
    : m_path(fs::temp_directory_path() / ("skimvue-" + name + "-" + std::to_string(ProcessId()))) {
    fs::remove_all(m_path);
    fs::create_directories(m_path);
}

CScratchDir::~CScratchDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void CScratchDir::WriteDictionary(const std::string& bytes) const {
    fs::create_directories(DictionaryDir());
    std::ofstream(DictionaryDir() / "migemo-dict", std::ios::binary) << bytes;
}

void CScratchDir::CopyConversionTables() const {
    fs::create_directories(DictionaryDir());
    for (const auto& entry : fs::directory_iterator(RealDictionaryDir())) {
        if (entry.path().extension() == ".dat") {
            fs::copy_file(entry.path(), DictionaryDir() / entry.path().filename());
        }
    }
}
