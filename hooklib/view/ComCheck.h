#pragma once
// The view access code carries each failed call as an exception whose text names the call.
#include <windows.h>

#include <stdexcept>

inline void Check(HRESULT hr, const char* text) {
    if (FAILED(hr)) {
        throw std::runtime_error(text);
    }
}

// A call that succeeded without producing its object fails like the call itself.
template <class Pointer> void CheckNotNull(const Pointer& pointer, const char* text) {
    if (!pointer) {
        throw std::runtime_error(text);
    }
}
