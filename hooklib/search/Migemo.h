#pragma once
// Romaji search: the Migemo library turns a query typed in Latin letters into a regular
// expression over kana and kanji. The library is optional; without it there is no expression.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct MigemoLibrary;

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
    // For test doubles that load nothing.
    explicit CMigemo(std::nullptr_t);

  private:
    void Open(const std::wstring& dir);
    std::optional<std::wstring> AskLibrary(const std::string& query);

    // Each adapter holds its own module reference and entry points: an adapter still in use on
    // one thread keeps its module mapped whatever a newer adapter does.
    std::unique_ptr<MigemoLibrary> m_library;
    void* m_hMigemo = nullptr;
    // The library reuses buffers of the Migemo object while it builds an expression.
    std::mutex m_queryMutex;
    // A keystroke asks for the same query once per matching pass: the last answer is kept.
    std::optional<std::string> m_lastQuery;
    std::optional<std::wstring> m_lastExpression;
};

// The process's adapter, created by the first call (a second caller waits for it). Held by the
// caller for one matching pass: a detach on another thread may drop the process's adapter
// meanwhile without freeing it.
std::shared_ptr<CMigemo> GetMigemo();

// Readying the adapter ahead of the first search, on a worker: MigemoDrops counts the adapters
// dropped so far, taken when the need arises; PrepareMigemo then creates the adapter only if
// none was dropped since (a window that attached and detached again leaves nothing loaded).
unsigned MigemoDrops();
void PrepareMigemo(unsigned drops);

// Where this process loads the Migemo library and its dictionary from: beside this module,
// unless another directory is set here (the tests set one; empty restores the default). Never
// taken from the shared block: any process that maps this library can write a path there.
void SetProcessLibraryDir(const std::wstring& dir);

// Drops the process's adapter; the next GetMigemo creates a new one (library and dictionary
// loaded again). One that a GetMigemo is creating meanwhile is dropped as well.
void DeleteProcessMigemo();

// True once an adapter has found the library's migemo_open in this process. Character
// classification of typed keys then follows the Japanese character-type rules; the C runtime's
// locale itself is never changed (the host process may share it).
bool MigemoLocaleActive();
