#include "search/regex/Stack.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace regex {

uintptr_t StackEnd() {
#ifdef _WIN32
    // The whole reservation, of which only the top is committed yet.
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    return low;
#else
    // glibc reads the main thread's stack from /proc: once per thread is enough.
    thread_local const uintptr_t end = [] {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0) {
            return UINTPTR_MAX; // unknown: no stack to spare
        }
        void* low = nullptr;
        size_t size = 0;
        pthread_attr_getstack(&attributes, &low, &size);
        pthread_attr_destroy(&attributes);
        return reinterpret_cast<uintptr_t>(low);
    }();
    return end;
#endif
}

} // namespace regex
