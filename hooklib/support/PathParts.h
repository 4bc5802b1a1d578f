#pragma once
// Splits a Windows path the way the C runtime's path splitting does, without its length limits.
#include <string>

struct PathParts {
    std::wstring m_drive;     // "C:" or empty
    std::wstring m_directory; // keeps its leading and trailing backslash, e.g. "\\Tools\\"
    std::wstring m_name;      // file name without extension
    std::wstring m_extension; // from the last '.', e.g. ".dll", or empty
};

PathParts SplitPath(const std::wstring& path);

// The path cut before its last backslash (or '/'); empty when there is none.
std::wstring DirectoryOf(const std::wstring& path);
