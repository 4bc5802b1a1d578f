#include "search/Migemo.h"

#include <atomic>

#include "search/MigemoLibrary.h"
#include "support/NeverDestroyed.h"

namespace {

// Process-wide: the adapter, the directory it loads from, and whether Migemo ever loaded.
// ProcessMigemoDrops counts the adapters dropped: one created across a drop serves its caller
// only, so a drop while it loaded (the last window detaching) is never undone.
std::mutex CreationMutex;
std::mutex ProcessMutex;
CNeverDestroyed<std::shared_ptr<CMigemo>> ProcessMigemo;
unsigned ProcessMigemoDrops = 0;
std::wstring ProcessLibraryDir;
std::atomic<bool> LocaleActive{false};
// The directory whose dictionary failed last: a failure is reported once, not once per adapter
// (each attach after a detach makes one).
std::wstring ReportedDictionaryDir;

std::wstring CurrentLibraryDir() {
    std::lock_guard lock(ProcessMutex);
    return ProcessLibraryDir.empty() ? DefaultMigemoDir() : ProcessLibraryDir;
}

// Hands an expression back to the library that made it, whatever way Query is left.
struct ExpressionRelease {
    const MigemoLibrary* m_library;
    void* m_object;
    void operator()(unsigned char* expression) const { m_library->m_release(m_object, expression); }
};
using ExpressionPtr = std::unique_ptr<unsigned char, ExpressionRelease>;

void ReportDictionaryOnce(const std::wstring& dir) {
    {
        std::lock_guard lock(ProcessMutex);
        if (ReportedDictionaryDir == dir) {
            return;
        }
        ReportedDictionaryDir = dir;
    }
    ReportMigemoDictionaryUnavailable(dir);
}

} // namespace

CMigemo::CMigemo() {
    Open(CurrentLibraryDir());
}

CMigemo::CMigemo(std::nullptr_t) {}

CMigemo::~CMigemo() {
    if (m_hMigemo && m_library && m_library->m_close) {
        m_library->m_close(m_hMigemo);
    }
    m_hMigemo = nullptr;
    // m_library goes last: the module stays mapped until the Migemo object is closed.
}

void CMigemo::Open(const std::wstring& dir) {
    m_library = LoadMigemoLibrary(dir);
    if (!m_library || !m_library->m_open) {
        return;
    }
    LocaleActive = true;
    m_hMigemo = OpenMigemoDictionary(*m_library, dir);
    // An object without its dictionary would still turn every query into an expression of the
    // query's own letters and conversions: romaji search is off instead, with one diagnostic.
    if (m_hMigemo && m_library->m_isEnable && !m_library->m_isEnable(m_hMigemo)) {
        if (m_library->m_close) {
            m_library->m_close(m_hMigemo);
        }
        m_hMigemo = nullptr;
    }
    if (!m_hMigemo) {
        ReportDictionaryOnce(dir);
    }
}

std::optional<std::wstring> CMigemo::Query(const std::wstring& query) {
    if (!m_library || !m_library->m_query || !m_library->m_release || !m_hMigemo) {
        return std::nullopt;
    }
    try {
        // A character outside the code page gets no expression: one made from the rest of the
        // query would match names without it.
        const std::optional<std::string> narrow = ToCp932(query);
        if (!narrow) {
            return std::nullopt;
        }
        std::lock_guard lock(m_queryMutex);
        if (m_lastQuery != narrow) {
            // Forgotten first: an allocation failing below leaves no answer under a wrong query.
            m_lastQuery.reset();
            m_lastExpression = AskLibrary(*narrow);
            m_lastQuery = narrow;
        }
        return m_lastExpression;
    } catch (const std::exception&) {
        // Nothing may leave the adapter into the host's window procedure.
        return std::nullopt;
    }
}

std::optional<std::wstring> CMigemo::AskLibrary(const std::string& query) {
    const ExpressionPtr expression(
        m_library->m_query(m_hMigemo, reinterpret_cast<const unsigned char*>(query.c_str())),
        ExpressionRelease{m_library.get(), m_hMigemo});
    if (!expression) {
        return std::nullopt;
    }
    return FromCp932(reinterpret_cast<const char*>(expression.get()));
}

namespace {

// The process's adapter, created when there is none, provided no adapter was dropped since the
// count `since` was taken (none: since now).
std::shared_ptr<CMigemo> ObtainMigemo(std::optional<unsigned> since) {
    try {
        // One creation at a time: a second thread waits for the first adapter instead of
        // loading the library and the dictionary again.
        std::lock_guard creation(CreationMutex);
        unsigned drops = 0;
        {
            std::lock_guard lock(ProcessMutex);
            if (*ProcessMigemo) {
                return *ProcessMigemo;
            }
            drops = since.value_or(ProcessMigemoDrops);
            if (drops != ProcessMigemoDrops) {
                return nullptr;
            }
        }
        auto created = std::make_shared<CMigemo>();
        std::lock_guard lock(ProcessMutex);
        if (drops == ProcessMigemoDrops) {
            *ProcessMigemo = created;
        }
        return created;
    } catch (const std::exception&) {
        return nullptr;
    }
}

} // namespace

std::shared_ptr<CMigemo> GetMigemo() {
    return ObtainMigemo(std::nullopt);
}

unsigned MigemoDrops() {
    std::lock_guard lock(ProcessMutex);
    return ProcessMigemoDrops;
}

void PrepareMigemo(unsigned drops) {
    ObtainMigemo(drops);
}

void SetProcessLibraryDir(const std::wstring& dir) {
    try {
        std::lock_guard lock(ProcessMutex);
        ProcessLibraryDir = dir;
    } catch (const std::exception&) {
        // Out of memory: the previous directory stays in force.
    }
}

void DeleteProcessMigemo() {
    std::shared_ptr<CMigemo> dropped;
    {
        std::lock_guard lock(ProcessMutex);
        dropped.swap(*ProcessMigemo);
        ++ProcessMigemoDrops;
    }
    // Released outside the lock; a search still holding the adapter frees it when it ends.
}

bool MigemoLocaleActive() {
    return LocaleActive;
}
