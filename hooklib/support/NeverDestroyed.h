#pragma once
// A process-wide value that static destruction never touches. The library's static destructors
// run inside DLL_PROCESS_DETACH, under the loader lock, when the host exits with the library
// still loaded (which it always is once a window was attached: the module is pinned). Releasing
// COM objects, destroying windows or waiting for threads there can deadlock or crash the host's
// exit; the system reclaims the memory and windows of an exiting process anyway.
#include <new>

template <class T> class CNeverDestroyed {
  public:
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): the storage is the new value's
    CNeverDestroyed() { new (m_storage) T(); }
    CNeverDestroyed(const CNeverDestroyed&) = delete;
    CNeverDestroyed& operator=(const CNeverDestroyed&) = delete;
    ~CNeverDestroyed() = default; // leaves the value alone, as above

    T& operator*() { return *std::launder(reinterpret_cast<T*>(m_storage)); }
    T* operator->() { return &**this; }

  private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};
