#include "support/WorkerThread.h"

#include <windows.h>

#include <memory>

#include "support/Barrier.h"
#include "support/ModuleVersion.h"
#include "support/UniqueHandle.h"

namespace {

using Work = std::function<void()>;

DWORD WINAPI WorkerMain(void* parameter) noexcept {
    std::unique_ptr<Work> work(static_cast<Work*>(parameter));
    Barrier(L"the worker thread", [&work] { (*work)(); });
    work.reset();
    // Returning would run the library's code after its reference is gone.
    FreeLibraryAndExitThread(GetThisModule(), 0);
}

} // namespace

bool StartWorkerThread(Work work) noexcept {
    return Barrier(L"StartWorkerThread", false, [&work] {
        auto owned = std::make_unique<Work>(std::move(work));
        // Handed to the thread, which gives it back with FreeLibraryAndExitThread.
        unique_hmodule pinned;
        SKIMVUE_CHECK_WIN32(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                               reinterpret_cast<LPCWSTR>(&WorkerMain),
                                               pinned.put()));
        const unique_handle thread(
            SKIMVUE_CHECK_WIN32(CreateThread(nullptr, 0, WorkerMain, owned.get(), 0, nullptr)));
        pinned.release();
        static_cast<void>(owned.release()); // the thread frees it
        return true;
    });
}
