#include "support/PathParts.h"

namespace {
bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}
} // namespace

PathParts SplitPath(const std::wstring& path) {
    PathParts parts;
    size_t rest = 0;
    if (path.size() >= 2 && path[1] == L':') {
        parts.m_drive = path.substr(0, 2);
        rest = 2;
    }
    size_t lastSeparator = std::wstring::npos;
    for (size_t i = rest; i < path.size(); ++i) {
        if (IsSeparator(path[i])) {
            lastSeparator = i;
        }
    }
    size_t nameStart = rest;
    if (lastSeparator != std::wstring::npos) {
        parts.m_directory = path.substr(rest, lastSeparator + 1 - rest);
        nameStart = lastSeparator + 1;
    }
    const std::wstring file = path.substr(nameStart);
    const size_t dot = file.rfind(L'.');
    if (dot == std::wstring::npos) {
        parts.m_name = file;
    } else {
        parts.m_name = file.substr(0, dot);
        parts.m_extension = file.substr(dot);
    }
    return parts;
}

std::wstring DirectoryOf(const std::wstring& path) {
    const size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}
