#pragma once
// Hostile inputs for the patched Migemo library: dictionary sets (a migemo-dict and the four
// conversion tables beside it) that are truncated, huge, binary, deep, wide, in the wrong
// encoding or invalid code page 932, and queries of every shape a host can type or paste.
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

struct DictionaryFile {
    std::string m_name;
    std::string m_bytes;
};

struct DictionarySet {
    const char* m_kind = "";
    // The files written into the folder; a table left out is absent.
    std::vector<DictionaryFile> m_files;
    // True when the set must open (a well-formed dictionary), false when it must be refused,
    // empty when either is fine.
    std::optional<bool> m_mustOpen;
};

class CDictionaryGenerator {
  public:
    // Cases are made from the lines of a real migemo-dict and its real tables (either may be
    // empty: the generator then makes up its own).
    CDictionaryGenerator(uint64_t seed, std::vector<std::string> lines,
                         std::vector<DictionaryFile> tables);

    DictionarySet Next();
    std::string Query();

  private:
    size_t Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(m_random() % bound); }
    bool Chance(size_t percent) { return Below(100) < percent; }
    char Byte(unsigned from, unsigned to) { return static_cast<char>(from + Below(to - from + 1)); }

    std::string Line();
    std::string Lines(size_t count);
    std::string Label();
    std::string Mutated(std::string bytes, size_t edits);
    std::string Binary(size_t size);
    std::string Deep(std::optional<bool>& mustOpen);
    std::string Siblings();
    std::string InvalidCp932(size_t lines);
    std::string OtherEncoding(size_t lines);
    std::string Huge(bool overCap);
    std::vector<DictionaryFile> Tables();

    std::mt19937_64 m_random;
    std::vector<std::string> m_lines;
    std::vector<DictionaryFile> m_tables;
};

// The patched library's limits (third_party/cmigemo/0002-hostile-dictionaries.patch).
constexpr size_t kMigemoDictMaxBytes = 16 * 1024 * 1024;
constexpr size_t kMigemoEntryMaxBytes = 256;
constexpr size_t kMigemoQueryMaxBytes = 256;
