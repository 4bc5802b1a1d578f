#pragma once
// Romaji search: the Migemo library turns a query typed in Latin letters into a regular
// expression over kana and kanji. The library is optional; without it there is no expression.
#include <memory>
#include <optional>
#include <string>

class CMigemo {
  public:
    // Loads the Migemo library from the library directory and opens its cp932 dictionary.
    CMigemo();
    virtual ~CMigemo();
    CMigemo(const CMigemo&) = delete;
    CMigemo& operator=(const CMigemo&) = delete;

    // The expression for query, or no result (no library, no dictionary, no answer).
    virtual std::optional<std::wstring> Query(const std::wstring& query);

  protected:
    struct Library;
    // For test doubles that load nothing.
    explicit CMigemo(std::nullptr_t) {}

  private:
    std::unique_ptr<Library> m_library;
    void* m_hMigemo = nullptr;
};

// The process's adapter, created by the first call. Held by the caller for one matching pass:
// a detach on another thread may drop the process's adapter meanwhile without freeing it.
std::shared_ptr<CMigemo> GetMigemo();

// The per-process copy of the shared library directory, refreshed at every attach; the Migemo
// library and its dictionary are looked up there (or beside this module when it is empty).
void SetProcessLibraryDir(const std::wstring& dir);

// Drops the process's adapter; the next GetMigemo creates a new one (library and dictionary
// loaded again).
void DeleteProcessMigemo();
