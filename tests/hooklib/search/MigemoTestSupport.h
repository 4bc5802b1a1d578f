#pragma once
// The real Migemo library file and a folder laid out like the library directory, for tests
// that give the adapter a library with a dictionary of their choice.
#include <filesystem>
#include <string>
#include <vector>

// The Migemo library this build uses, and the name the adapter looks for.
std::filesystem::path RealMigemoLibrary();
std::filesystem::path MigemoFileName();
// The folder of the real cp932 dictionary and the conversion tables migemo_open reads.
std::filesystem::path RealDictionaryDir();

// Folders a user may install into, relative: a deep tree of about 160 Japanese characters (under
// MAX_PATH in UTF-16, over the library's 260-byte buffers in code page 932), and names with
// characters code page 932 lacks (Hangul, and one outside the Basic Multilingual Plane).
std::vector<std::filesystem::path> HostileFolderNames();
// path as the adapter takes a folder (natively, path::wstring converts through the "C" locale
// only and fails on any other character).
std::wstring WidePath(const std::filesystem::path& path);
// The real library and its dictionary folder, laid out in dir as beside the hook library.
void CopyMigemoRuntime(const std::filesystem::path& dir);

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class CScratchDir {
  public:
    explicit CScratchDir(const std::string& name);
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path DictionaryDir() const { return m_path / "dict" / "cp932"; }
    // The dictionary file with the given bytes, in a folder of its own.
    void WriteDictionary(const std::string& bytes) const;
    // The real romaji, kana and width tables (*.dat) beside the dictionary.
    void CopyConversionTables() const;

  private:
    std::filesystem::path m_path;
};
