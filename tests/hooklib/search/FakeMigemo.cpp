// The fake's answer to a query q is "(fake-q|a|b)": recognisable, and a Migemo-shaped
// expression for the pattern edits.
#include <cstdlib>
#include <cstring>
#include <string>

#include "FakeMigemo.h"

#ifdef _WIN64
#define FAKE_CALL
#else
#define FAKE_CALL __stdcall
#endif
#define FAKE_EXPORT extern "C" __declspec(dllexport)

namespace {
FakeMigemoCalls Calls{};
std::string Dictionary;
} // namespace

FAKE_EXPORT const FakeMigemoCalls* fake_migemo_calls() {
    return &Calls;
}
FAKE_EXPORT const char* fake_migemo_dictionary() {
    return Dictionary.c_str();
}

#ifndef FAKE_WITHOUT_OPEN
FAKE_EXPORT void* FAKE_CALL migemo_open(const char* dict) {
    ++Calls.m_opens;
    Dictionary = dict ? dict : "";
    static int object;
    return &object;
}
#endif

#ifndef FAKE_WITHOUT_CLOSE
FAKE_EXPORT void FAKE_CALL migemo_close(void*) {
    ++Calls.m_closes;
}
#endif

#ifndef FAKE_WITHOUT_QUERY
FAKE_EXPORT unsigned char* FAKE_CALL migemo_query(void*, const unsigned char* query) {
    ++Calls.m_queries;
    const std::string text = reinterpret_cast<const char*>(query);
    if (text == kFakeNullQuery) {
        return nullptr;
    }
    const std::string expression = "(fake-" + text + "|a|b)";
    auto* copy = static_cast<unsigned char*>(malloc(expression.size() + 1));
    memcpy(copy, expression.c_str(), expression.size() + 1);
    return copy;
}
#endif

#ifndef FAKE_WITHOUT_RELEASE
FAKE_EXPORT void FAKE_CALL migemo_release(void*, unsigned char* text) {
    ++Calls.m_releases;
    free(text);
}
#endif

#ifndef FAKE_WITHOUT_SET_OPERATOR
FAKE_EXPORT int FAKE_CALL migemo_set_operator(void*, int, const unsigned char*) {
    ++Calls.m_setOperators;
    return 0;
}
#endif
