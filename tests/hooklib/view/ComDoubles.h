#pragma once
// Building blocks for in-process COM stand-ins: a reference-counted base, injected failures by
// call name, a class factory and its registration with the real COM runtime.
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

// A stand-in's method that the code under test never calls.
#define SKIMVUE_NOT_CALLED(name, ...)                                                              \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override {                                         \
        return E_NOTIMPL;                                                                          \
    }

template <class First, class... Rest> class CUnknownImpl : public First, public Rest... {
  public:
    CUnknownImpl() = default;
    CUnknownImpl(const CUnknownImpl&) = delete;
    CUnknownImpl& operator=(const CUnknownImpl&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        *ppv = riid == IID_IUnknown ? static_cast<First*>(this) : Find(riid);
        if (*ppv == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG count = --m_cRef;
        if (count == 0) {
            delete this;
        }
        return count;
    }

  protected:
    virtual ~CUnknownImpl() = default;
    // The interface pointer for riid, or null.
    virtual void* Find(REFIID riid) = 0;

  private:
    ULONG m_cRef = 1;
};

template <class T, class... Args> Microsoft::WRL::ComPtr<T> MakeDouble(Args&&... args) {
    Microsoft::WRL::ComPtr<T> object;
    object.Attach(new T(std::forward<Args>(args)...));
    return object;
}

// The one call that fails while a CScopedFault is alive, optionally from an item index on.
bool Fails(std::string_view call, size_t index = 0);

class CScopedFault {
  public:
    explicit CScopedFault(std::string call, size_t fromIndex = 0);
    ~CScopedFault();
    CScopedFault(const CScopedFault&) = delete;
    CScopedFault& operator=(const CScopedFault&) = delete;
};

// Hands out one object, or fails with a fixed result; counts the requests.
class CClassFactoryDouble : public CUnknownImpl<IClassFactory> {
  public:
    explicit CClassFactoryDouble(Microsoft::WRL::ComPtr<IUnknown> instance, HRESULT hr = S_OK)
        : m_instance(std::move(instance)), m_hr(hr) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    int m_cCreated = 0;
    Microsoft::WRL::ComPtr<IUnknown> m_instance;
    HRESULT m_hr;

  protected:
    void* Find(REFIID riid) override;
};

// The factory answers CoCreateInstance for clsid on this thread's apartment while registered.
class CRegisteredClass {
  public:
    CRegisteredClass(REFCLSID clsid, IClassFactory* factory);
    ~CRegisteredClass();
    CRegisteredClass(const CRegisteredClass&) = delete;
    CRegisteredClass& operator=(const CRegisteredClass&) = delete;
    bool IsRegistered() const { return m_hr == S_OK; }

  private:
    HRESULT m_hr;
    DWORD m_dwCookie = 0;
};

// Announces an event-log entry the current test is expected to leave. Wine prints each error
// entry on stderr; eventlog_pairs.sh checks every test's entries against its announcements.
// A failure that repeats is logged once a minute per window: announcing an entry lets every
// window log again, so the next failure is the one announced.
void ExpectLogged(const char* text);
