#include "search/regex/CharSet.h"

#include <algorithm>
#include <locale>
#include <mutex>

namespace regex {

void CCharSet::Add(const CCharSet& other) {
    m_intervals.insert(m_intervals.end(), other.m_intervals.begin(), other.m_intervals.end());
}

void CCharSet::Normalize() {
    if (m_intervals.size() < 2) {
        return; // nothing to sort or merge: most sets of a pattern are one character
    }
    std::sort(m_intervals.begin(), m_intervals.end());
    std::vector<Interval> merged;
    for (const Interval& interval : m_intervals) {
        if (!merged.empty() && merged.back().second != kMaxChar &&
            interval.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, interval.second);
        } else if (merged.empty() || merged.back().second != kMaxChar) {
            merged.push_back(interval);
        }
    }
    m_intervals = std::move(merged);
}

CCharSet CCharSet::Complement() const {
    CCharSet result;
    Char next = 0;
    bool open = true; // whether [next, ...] is still to be covered
    for (const Interval& interval : m_intervals) {
        if (interval.first > next) {
            result.Add(next, interval.first - 1);
        }
        open = interval.second != kMaxChar;
        next = interval.second + 1;
    }
    if (open) {
        result.Add(next, kMaxChar);
    }
    return result;
}

bool CCharSet::Contains(Char c) const {
    const auto it = std::upper_bound(m_intervals.begin(), m_intervals.end(), c,
                                     [](Char value, const Interval& i) { return value < i.first; });
    return it != m_intervals.begin() && c <= std::prev(it)->second;
}

namespace classic {
namespace {

// The highest code the tables are read for: beyond it the library classifies nothing and maps
// every character to itself.
constexpr Char kLastScanned = sizeof(wchar_t) == 2 ? 0xFFFF : 0x10FFFF;

struct CasedChar {
    Char m_char;
    Char m_lower;
    Char m_upper;
};

struct Tables {
    std::vector<CasedChar> m_cased;   // characters that tolower or toupper changes, by m_char
    std::vector<CasedChar> m_byLower; // the same, by m_lower, then m_char
    CCharSet m_digits;
    CCharSet m_spaces;
    CCharSet m_word;
    std::vector<uint64_t> m_wordBits; // of m_word, below U+10000
};

bool LowerBefore(const CasedChar& a, const CasedChar& b) {
    return a.m_lower < b.m_lower;
}

using Facet = std::ctype<wchar_t>;

void ScanBlock(const Facet& facet, Char first, Char last, Tables& tables) {
    std::vector<wchar_t> chars(last - first + 1);
    for (Char c = first; c <= last; ++c) {
        chars[c - first] = static_cast<wchar_t>(c);
    }
    std::vector<Facet::mask> masks(chars.size());
    facet.is(chars.data(), chars.data() + chars.size(), masks.data());
    std::vector<wchar_t> lower(chars);
    std::vector<wchar_t> upper(chars);
    facet.tolower(lower.data(), lower.data() + lower.size());
    facet.toupper(upper.data(), upper.data() + upper.size());
    for (size_t i = 0; i < chars.size(); ++i) {
        const Char c = first + static_cast<Char>(i);
        if (lower[i] != chars[i] || upper[i] != chars[i]) {
            tables.m_cased.push_back({c, ToChar(lower[i]), ToChar(upper[i])});
        }
        const auto add = [&](CCharSet& set, bool member) {
            if (member) {
                set.Add(c, c);
            }
        };
        add(tables.m_digits, masks[i] & Facet::digit);
        add(tables.m_spaces, masks[i] & Facet::space);
        add(tables.m_word, (masks[i] & Facet::alnum) || chars[i] == L'_');
    }
}

Tables ScanTables() {
    const auto& facet = std::use_facet<Facet>(std::locale::classic());
    Tables tables;
    constexpr Char kBlock = 0x10000;
    for (Char first = 0; first <= kLastScanned; first += kBlock) {
        ScanBlock(facet, first, std::min<Char>(first + kBlock - 1, kLastScanned), tables);
    }
    tables.m_byLower = tables.m_cased;
    std::stable_sort(tables.m_byLower.begin(), tables.m_byLower.end(), LowerBefore);
    tables.m_digits.Normalize();
    tables.m_spaces.Normalize();
    tables.m_word.Normalize();
    tables.m_wordBits.assign(0x10000 / 64, 0);
    for (const auto& [first, last] : tables.m_word.Intervals()) {
        for (Char c = first; c <= last && c < 0x10000; ++c) {
            tables.m_wordBits[c / 64] |= uint64_t{1} << (c % 64);
        }
    }
    return tables;
}

const Tables& GetTables() {
    static const Tables tables = ScanTables();
    return tables;
}

Char Lower(const Tables& tables, Char c) {
    const auto it =
        std::lower_bound(tables.m_cased.begin(), tables.m_cased.end(), c,
                         [](const CasedChar& x, Char value) { return x.m_char < value; });
    return it != tables.m_cased.end() && it->m_char == c ? it->m_lower : c;
}

} // namespace

CCharSet SameLower(Char c) {
    const Tables& tables = GetTables();
    const Char lower = Lower(tables, c);
    CCharSet set;
    if (Lower(tables, lower) == lower) {
        set.Add(lower, lower);
    }
    // Looked up, not scanned: msvcrt's tables case a few thousand characters.
    const auto [begin, end] = std::equal_range(tables.m_byLower.begin(), tables.m_byLower.end(),
                                               CasedChar{0, lower, 0}, LowerBefore);
    for (auto it = begin; it != end; ++it) {
        set.Add(it->m_char, it->m_char);
    }
    set.Normalize();
    return set;
}

CCharSet RangeIcase(Char first, Char last) {
    // As the library compares: signed wchar_t values.
    const auto in = [&](Char c) {
        const auto value = static_cast<wchar_t>(c);
        return static_cast<wchar_t>(first) <= value && value <= static_cast<wchar_t>(last);
    };
    CCharSet set;
    uint64_t next = first; // uncased characters from here on are members
    for (const CasedChar& x : GetTables().m_cased) {
        if (x.m_char >= first && x.m_char <= last) {
            if (x.m_char > next) {
                set.Add(static_cast<Char>(next), x.m_char - 1);
            }
            next = uint64_t{x.m_char} + 1;
        }
        if (in(x.m_lower) || in(x.m_upper)) {
            set.Add(x.m_char, x.m_char);
        }
    }
    if (next <= last) {
        set.Add(static_cast<Char>(next), last);
    }
    set.Normalize();
    return set;
}

const CCharSet& Digits() {
    return GetTables().m_digits;
}
const CCharSet& Spaces() {
    return GetTables().m_spaces;
}
const CCharSet& WordChars() {
    return GetTables().m_word;
}

bool IsWordChar(Char c) {
    const Tables& tables = GetTables();
    return c < 0x10000 ? (tables.m_wordBits[c / 64] >> (c % 64)) & 1 : tables.m_word.Contains(c);
}

} // namespace classic
} // namespace regex
