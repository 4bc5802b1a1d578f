#pragma once
// The real Migemo library file and a folder laid out like the library directory, for tests
// that give the adapter a library with a dictionary of their choice.
#include <filesystem>
#include <string>

// The Migemo library this build uses, and the name the adapter looks for.
std::filesystem::path RealMigemoLibrary();
std::filesystem::path MigemoFileName();
// The folder of the real cp932 dictionary and the conversion tables migemo_open reads.
std::filesystem::path RealDictionaryDir();

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
