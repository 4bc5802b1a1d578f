#pragma once
// Sets of wide characters as sorted, disjoint, non-adjacent closed intervals of code values, and
// the case folding and character classes of the classic locale that the pattern compiler needs.
#include <cstdint>
#include <utility>
#include <vector>

namespace regex {

using Char = uint32_t;
// Every value a wchar_t can hold, read as unsigned.
constexpr Char kMaxChar = sizeof(wchar_t) == 2 ? 0xFFFF : 0xFFFFFFFF;

inline Char ToChar(wchar_t c) {
    return sizeof(wchar_t) == 2 ? static_cast<uint16_t>(c) : static_cast<uint32_t>(c);
}

class CCharSet {
  public:
    using Interval = std::pair<Char, Char>;

    void Add(Char first, Char last) { m_intervals.emplace_back(first, last); }
    void Add(const CCharSet& other);
    // Sorts and merges; call after a series of Add.
    void Normalize();
    CCharSet Complement() const;
    bool Contains(Char c) const;

    const std::vector<Interval>& Intervals() const { return m_intervals; }
    bool operator==(const CCharSet&) const = default;

  private:
    std::vector<Interval> m_intervals;
};

// What the case-insensitive standard regular expressions compare, built once per process from
// std::ctype<wchar_t> of the classic locale (ASCII-only folding on glibc and msvcrt alike, but
// classes that cover much of Unicode on msvcrt).
namespace classic {
// Characters x with tolower(x) == tolower(c): what a literal c matches.
CCharSet SameLower(Char c);
// Characters x with tolower(x) or toupper(x) in [first, last]: what a bracket range matches.
CCharSet RangeIcase(Char first, Char last);
// The classes behind \d, \s and \w (alnum and "_").
const CCharSet& Digits();
const CCharSet& Spaces();
const CCharSet& WordChars();
// Whether c is one of WordChars, by a table below U+10000.
bool IsWordChar(Char c);
} // namespace classic

} // namespace regex
