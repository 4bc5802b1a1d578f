// Native builds: Debian's libmigemo and its cp932 dictionary, conversions with iconv (each
// conversion has its own descriptor; the process locale is left alone).
#include <dlfcn.h>
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "search/MigemoLibrary.h"
#include "support/UniqueHandle.h"

namespace {

constexpr char kLibraryFile[] = "libmigemo.so.1";
constexpr char kSystemDictionary[] = "/usr/share/cmigemo/cp932/migemo-dict";
// Debian's libmigemo copies the dictionary's folder and a table's name after it into buffers
// of 1024 bytes with no check: a longer path is never handed to it.
constexpr size_t kMaxDictionaryPath = 900;

class CIconv {
  public:
    CIconv(const char* to, const char* from) : m_cd(Open(to, from)) {}

    bool IsOpen() const { return static_cast<bool>(m_cd); }

    // With skip 0, a character the target cannot hold fails the conversion; otherwise that many
    // input bytes are skipped at each malformed or unconvertible place.
    std::optional<std::string> Convert(const char* input, size_t size, size_t skip) {
        std::string output(size * 4 + 4, '\0');
        char* in = const_cast<char*>(input);
        char* out = output.data();
        size_t inLeft = size;
        size_t outLeft = output.size();
        while (inLeft > 0 &&
               iconv(m_cd.get(), &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
            if (errno != EILSEQ || skip == 0) {
                return std::nullopt;
            }
            const size_t step = std::min(skip, inLeft);
            in += step;
            inLeft -= step;
        }
        output.resize(output.size() - outLeft);
        return output;
    }

  private:
    static unique_iconv Open(const char* to, const char* from) {
        const iconv_t cd = iconv_open(to, from);
        return unique_iconv(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
    }

    unique_iconv m_cd;
};

// File names in the file system's encoding (UTF-8), not the dictionary's. A path made from
// UTF-32 converts to UTF-8 whatever the locale; one made from wchar_t would convert through the
// "C" locale and fail on any character outside ASCII.
std::string Narrow(const std::wstring& path) {
    return std::filesystem::path(std::u32string(path.begin(), path.end())).string();
}

template <class EntryPoint> void Resolve(void* module, const char* name, EntryPoint& entry) {
    entry = reinterpret_cast<EntryPoint>(dlsym(module, name));
}

} // namespace

std::unique_ptr<MigemoLibrary> LoadMigemoLibrary(const std::wstring& dir) {
    const std::string file = dir.empty() ? kLibraryFile : Narrow(dir) + '/' + kLibraryFile;
    auto library = std::make_unique<MigemoLibrary>();
    library->m_module.reset(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!library->m_module) {
        return nullptr;
    }
    void* module = library->m_module.get();
    Resolve(module, "migemo_open", library->m_open);
    Resolve(module, "migemo_close", library->m_close);
    Resolve(module, "migemo_query", library->m_query);
    Resolve(module, "migemo_release", library->m_release);
    Resolve(module, "migemo_set_operator", library->m_setOperator);
    Resolve(module, "migemo_is_enable", library->m_isEnable);
    return library;
}

// The system's library and dictionary.
std::wstring DefaultMigemoDir() {
    return std::wstring();
}

void* OpenMigemoDictionary(const MigemoLibrary& library, const std::wstring& dir) {
    const std::string path =
        dir.empty() ? kSystemDictionary : Narrow(dir) + "/dict/cp932/migemo-dict";
    return path.size() > kMaxDictionaryPath ? nullptr : library.m_open(path.c_str());
}

// Natively the library serves the tests and tools: the diagnostic goes to their error output.
void ReportMigemoDictionaryUnavailable(const std::wstring& dir) noexcept {
    std::fprintf(stderr,
                 "Skimvue: the Migemo dictionary under %ls did not open; romaji search is off\n",
                 dir.c_str());
}

std::optional<std::string> ToCp932(const std::wstring& text) {
    CIconv iconv("CP932", "WCHAR_T");
    if (!iconv.IsOpen()) {
        return std::nullopt;
    }
    return iconv.Convert(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
                         0);
}

std::wstring FromCp932(const char* text) {
    CIconv iconv("WCHAR_T", "CP932");
    if (!iconv.IsOpen()) {
        return std::wstring();
    }
    const std::string bytes = iconv.Convert(text, strlen(text), 1).value_or(std::string());
    std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
    memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
    return wide;
}
