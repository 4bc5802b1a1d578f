#pragma once
// One keystroke's search of the costly kind, measured: with PriorForwardMatch on and a pattern
// with an alternation at its top, a pass for "^" + text and a pass for text, each with the
// plain pattern and the Migemo pattern of an expression, over every name.
#include <cstdint>
#include <optional>
#include <string>

#include "search/NameList.h"

struct KeystrokeCost {
    double m_ms = 0;         // compiling the four patterns and both passes
    uint64_t m_steps = 0;    // spent by the four patterns
    size_t m_extraBytes = 0; // the most held beyond what was held before
    size_t m_matches = 0;
    size_t m_cutNames = 0;
    // Empty, or the pattern whose pass spent more steps than its budget allows.
    std::wstring m_overBound;
};

KeystrokeCost RunKeystroke(const std::wstring& text, const std::optional<std::wstring>& expression,
                           const CNameList& names);
