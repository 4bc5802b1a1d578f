#include "support/StdString.h"

#include <cstdarg>
#include <cstdio>
#include <stdexcept>

int CStdString::Format(const wchar_t* format, ...) {
    va_list args; // NOLINT(cppcoreguidelines-init-variables): va_start initialises it
    va_start(args, format);
    const int count = _vscwprintf(format, args);
    va_end(args);
    if (count < 0) {
        throw std::runtime_error("failed: _vsctprintf\n");
    }
    resize(static_cast<size_t>(count));
    if (count == 0) {
        return 0;
    }
    va_start(args, format);
    // The string's own terminator follows the count characters, so the limit is exact.
    const int written = _vsnwprintf(data(), static_cast<size_t>(count), format, args);
    va_end(args);
    if (written < 0) {
        throw std::runtime_error("failed: _vsntprintf\n");
    }
    return written;
}
