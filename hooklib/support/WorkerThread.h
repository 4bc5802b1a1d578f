#pragma once
// Work that must not run on a host's window thread gets a thread of its own.
#include <functional>

// Runs work on a new thread and returns at once: false when no thread could be started (work
// is then dropped). The thread keeps this library mapped until it has left the library's code,
// and nothing work throws leaves the thread.
bool StartWorkerThread(std::function<void()> work) noexcept;
