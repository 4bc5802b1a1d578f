#pragma once
// A failed call, as the code that made it saw it: the result code (the HRESULT, or the last
// error of a Win32 call as an HRESULT), the call as written and the place. The checks below take
// the call's text from the call itself (the preprocessor's #), so a report cannot name another
// call than the one that failed. The short text a report gives the user, "failed: psw->get_Count",
// is the call up to its arguments; the code, the whole call and the place are for developers.
// Header-only, so the launcher has it without the library's code; nothing here allocates, as
// the failure may be that memory ran out.
#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <exception>

// What the compiler knows of a check: the name a report gives the call, what follows that name
// (" NULL" for a result that is missing), the call as written and where it is.
struct CFailureSite {
    const char* m_name;
    const char* m_suffix;
    const char* m_call;
    const char* m_file;
    int m_line;
};

class CFailure : public std::exception {
  public:
    CFailure(HRESULT code, const CFailureSite& site) noexcept : m_code(code), m_site(site) {
        size_t length = 0;
        const auto append = [&](const char* part, char stop) {
            for (; *part != 0 && *part != stop && length + 1 < sizeof(m_text); ++part) {
                m_text[length++] = *part;
            }
        };
        append("failed: ", 0);
        // The call up to its arguments: "CoCreateInstance", "psw->get_Count".
        append(site.m_name, '(');
        append(site.m_suffix, 0);
        m_text[length] = 0;
    }

    // "failed: " and the call's name, as the event log gets it.
    const char* what() const noexcept override { return m_text; }
    HRESULT Code() const noexcept { return m_code; }
    // The call as written, arguments and all.
    const char* Call() const noexcept { return m_site.m_call; }
    // " NULL" for a result that was missing, else empty.
    const char* Suffix() const noexcept { return m_site.m_suffix; }
    // The source file's name without its folders, and the line.
    const char* File() const noexcept {
        const char* name = m_site.m_file;
        for (const char* c = m_site.m_file; *c != 0; ++c) {
            if (*c == '/' || *c == '\\') {
                name = c + 1;
            }
        }
        return name;
    }
    int Line() const noexcept { return m_site.m_line; }

  private:
    HRESULT m_code;
    CFailureSite m_site;
    char m_text[128] = {};
};

#define SKIMVUE_FAILURE_SITE(name, suffix, call)                                                   \
    (CFailureSite{name, suffix, call, __FILE__, __LINE__})

// A COM call's result.
inline void CheckResult(HRESULT hr, const CFailureSite& site) {
    if (FAILED(hr)) {
        throw CFailure(hr, site);
    }
}

// A Win32 call that answers FALSE or a null handle on failure and tells why by its last error.
// Gives back what the call answered.
template <class Value> Value CheckWin32(Value value, const CFailureSite& site) {
    if (!value) {
        const DWORD error = GetLastError();
        throw CFailure(error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL, site);
    }
    return value;
}

// A result that must be there: a call that succeeded without producing its object fails like
// the call itself. Gives the value back.
template <class Value> Value CheckNotNull(Value&& value, const CFailureSite& site) {
    if (!value) {
        throw CFailure(E_POINTER, site);
    }
    return static_cast<Value&&>(value);
}

// What must hold for the work to go on.
inline void CheckCondition(bool holds, const CFailureSite& site) {
    if (!holds) {
        throw CFailure(E_UNEXPECTED, site);
    }
}

// object is an interface pointer or a ComPtr.
template <class Interface, class Object>
void QueryInto(const Object& object, Microsoft::WRL::ComPtr<Interface>& target,
               const CFailureSite& site) {
    CheckResult(object->QueryInterface(__uuidof(Interface),
                                       reinterpret_cast<void**>(target.ReleaseAndGetAddressOf())),
                site);
    CheckNotNull(target, site);
}

// Reported as "failed: psw->get_Count".
#define SKIMVUE_CHECK_HR(call) CheckResult((call), SKIMVUE_FAILURE_SITE(#call, "", #call))

// object->method(arguments), reported by the method's name alone ("failed: ElementFromHandle"):
// for the reports that name the method without the object it was called on.
#define SKIMVUE_CHECK_HR_OF(object, method, ...)                                                   \
    CheckResult((object)->method(__VA_ARGS__),                                                     \
                SKIMVUE_FAILURE_SITE(#method, "", #object "->" #method "(" #__VA_ARGS__ ")"))

// Reported as "failed: CreateThread"; the value is the call's answer.
#define SKIMVUE_CHECK_WIN32(call) CheckWin32((call), SKIMVUE_FAILURE_SITE(#call, "", #call))

// Reported as "failed: psw NULL"; the value is value itself.
#define SKIMVUE_CHECK_NOT_NULL(value)                                                              \
    CheckNotNull((value), SKIMVUE_FAILURE_SITE(#value, " NULL", #value))

// Reported as the condition: "failed: activeView == hWndView".
#define SKIMVUE_CHECK(condition)                                                                   \
    CheckCondition((condition), SKIMVUE_FAILURE_SITE(#condition, "", #condition))

// Queries object for Interface into target, a ComPtr<Interface>; reported as
// "failed: query interface of Interface".
#define SKIMVUE_CHECK_QUERY(object, Interface, target)                                             \
    QueryInto<Interface>((object), (target),                                                       \
                         SKIMVUE_FAILURE_SITE("query interface of " #Interface, "",                \
                                              #object "->QueryInterface(" #Interface ")"))
