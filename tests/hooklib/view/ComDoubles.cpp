#include "ComDoubles.h"

#include "support/FailureReport.h"

namespace {

struct Fault {
    std::string m_call;
    size_t m_fromIndex = 0;
};
Fault PlannedFault;

} // namespace

bool Fails(std::string_view call, size_t index) {
    return call == PlannedFault.m_call && index >= PlannedFault.m_fromIndex;
}

CScopedFault::CScopedFault(std::string call, size_t fromIndex) {
    PlannedFault = {std::move(call), fromIndex};
}

CScopedFault::~CScopedFault() {
    PlannedFault = {};
}

HRESULT CClassFactoryDouble::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    ++m_cCreated;
    *ppv = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if (FAILED(m_hr)) {
        return m_hr;
    }
    return m_instance->QueryInterface(riid, ppv);
}

void* CClassFactoryDouble::Find(REFIID riid) {
    return riid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
}

CRegisteredClass::CRegisteredClass(REFCLSID clsid, IClassFactory* factory)
    : m_hr(CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                 &m_dwCookie)) {}

CRegisteredClass::~CRegisteredClass() {
    if (m_hr == S_OK) {
        CoRevokeClassObject(m_dwCookie);
    }
}

void ExpectLogged(const char* text) {
    ForgetReportedFailures();
    std::printf("expect-log: %s\n", text);
    std::fflush(stdout);
}
