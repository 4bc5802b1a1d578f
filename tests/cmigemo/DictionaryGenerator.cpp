#include "DictionaryGenerator.h"

#include <cctype>
#include <iterator>
#include <utility>

namespace {

// Code page 932 lead bytes take a trail byte: 0x81-0x9f and 0xe0-0xfc lead, 0x40-0x7e and
// 0x80-0xfc trail. Hiragana sit at 0x82 0x9f-0xf1.
constexpr unsigned kHiraganaLead = 0x82;

const char* const kTableNames[] = {"roma2hira.dat", "hira2kata.dat", "han2zen.dat", "zen2han.dat"};

} // namespace

CDictionaryGenerator::CDictionaryGenerator(uint64_t seed, std::vector<std::string> lines,
                                           std::vector<DictionaryFile> tables)
    : m_random(seed), m_lines(std::move(lines)), m_tables(std::move(tables)) {}

// A made-up label: romaji or hiragana, as the real dictionary has both.
std::string CDictionaryGenerator::Label() {
    std::string label;
    const size_t length = 1 + Below(8);
    const bool kana = Chance(50);
    for (size_t i = 0; i < length; ++i) {
        if (kana) {
            label += static_cast<char>(kHiraganaLead);
            label += Byte(0x9f, 0xf1);
        } else {
            label += Byte('a', 'z');
        }
    }
    return label;
}

// One line of the real dictionary, or one in its shape: label, then words, tab-separated.
std::string CDictionaryGenerator::Line() {
    if (!m_lines.empty() && Chance(80)) {
        return m_lines[Below(m_lines.size())] + '\n';
    }
    std::string line = Label();
    for (size_t words = 1 + Below(4); words > 0; --words) {
        line += '\t';
        for (size_t i = 1 + Below(4); i > 0; --i) {
            line += Byte(0x88, 0x9f); // kanji lead bytes
            line += Byte(0x40, 0x7e);
        }
    }
    return line + '\n';
}

std::string CDictionaryGenerator::Lines(size_t count) {
    std::string bytes;
    for (size_t i = 0; i < count; ++i) {
        bytes += Line();
    }
    return bytes;
}

// Random edits: bytes changed, NULs, tabs and line ends put in, bytes taken out.
std::string CDictionaryGenerator::Mutated(std::string bytes, size_t edits) {
    static const char kSpecial[] = {'\0', '\t', '\n', '\r', ';', ' ', '\x81', '\xff', '\x1a'};
    for (size_t i = 0; i < edits && !bytes.empty(); ++i) {
        const size_t at = Below(bytes.size());
        switch (Below(3)) {
        case 0:
            bytes[at] =
                Chance(50) ? kSpecial[Below(sizeof kSpecial)] : static_cast<char>(Below(256));
            break;
        case 1:
            bytes.insert(at, 1, kSpecial[Below(sizeof kSpecial)]);
            break;
        default:
            bytes.erase(at, 1 + Below(4));
            break;
        }
    }
    return bytes;
}

std::string CDictionaryGenerator::Binary(size_t size) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(Below(256));
    }
    return bytes;
}

// Labels and words around the entry limit, and labels extending one another a byte at a time
// (a tree as deep as the limit allows).
std::string CDictionaryGenerator::Deep(std::optional<bool>& mustOpen) {
    const size_t length = kMigemoEntryMaxBytes - 4 + Below(9);
    mustOpen = length <= kMigemoEntryMaxBytes;
    std::string bytes;
    switch (Below(3)) {
    case 0:
        bytes = std::string(length, 'a') + "\tword\n";
        break;
    case 1:
        mustOpen = length / 2 * 2 <= kMigemoEntryMaxBytes;
        bytes = "deep\t" + std::string(length / 2 * 2, '\x88') + "\n";
        break;
    default:
        for (size_t i = 1; i <= length; ++i) {
            bytes += std::string(i, Chance(90) ? 'k' : 'a') + "\t\x8a\xbf\n";
        }
        break;
    }
    return bytes;
}

// Thousands of different words under one label (and labels of every first byte): the trees of
// the expression are as wide as the code page allows.
std::string CDictionaryGenerator::Siblings() {
    std::string bytes = "ka";
    for (unsigned lead = 0x88; lead <= 0x9f; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xfc; trail += 1 + Below(3)) {
            bytes += '\t';
            bytes += static_cast<char>(lead);
            bytes += static_cast<char>(trail);
        }
    }
    bytes += '\n';
    for (unsigned first = 1; first < 256; ++first) {
        if (first != '\t' && first != '\n' && first != ';' && first != ' ') {
            bytes += static_cast<char>(first);
            bytes += "a\t\x8a\xbf\n";
        }
    }
    return bytes;
}

// Lead bytes without their trail, trail bytes alone, and bytes the code page leaves undefined.
std::string CDictionaryGenerator::InvalidCp932(size_t lines) {
    static const char kBad[] = {'\x81', '\x9f', '\xe0', '\xfc', '\x80', '\xa0', '\xfd', '\xff'};
    std::string bytes;
    for (size_t i = 0; i < lines; ++i) {
        std::string line = Line();
        line.insert(Below(line.size()), 1, kBad[Below(sizeof kBad)]);
        if (Chance(30)) {
            line.insert(line.size() - 1, 1, kBad[Below(4)]); // a lead byte last
        }
        bytes += line;
    }
    return bytes;
}

// UTF-8 or EUC-JP text: the library guesses the dictionary's encoding from its first bytes.
std::string CDictionaryGenerator::OtherEncoding(size_t lines) {
    const bool utf8 = Chance(50);
    std::string bytes;
    for (size_t i = 0; i < lines; ++i) {
        bytes += Label();
        bytes += '\t';
        for (size_t n = 1 + Below(4); n > 0; --n) {
            if (utf8) {
                bytes += Chance(90) ? "\xe3\x81" : "\xf0\x9f\x98"; // 3- and 4-byte sequences
                bytes += Byte(0x80, 0xbf);
            } else {
                bytes += Byte(0xa1, 0xfe);
                bytes += Byte(0xa1, 0xfe);
            }
        }
        bytes += '\n';
    }
    return bytes;
}

// Real lines up to the size limit, a line short of it or a few bytes over.
std::string CDictionaryGenerator::Huge(bool overCap) {
    std::string bytes;
    bytes.reserve(kMigemoDictMaxBytes + 4096);
    for (std::string line = Line(); bytes.size() + line.size() <= kMigemoDictMaxBytes;
         line = Line()) {
        bytes += line;
    }
    if (overCap) {
        bytes += std::string(kMigemoDictMaxBytes + 1 + Below(16) - bytes.size(), ';');
    }
    return bytes;
}

// The real tables, edited, hostile or left out.
std::vector<DictionaryFile> CDictionaryGenerator::Tables() {
    std::vector<DictionaryFile> tables;
    for (size_t i = 0; i < std::size(kTableNames); ++i) {
        const std::string real = i < m_tables.size() ? m_tables[i].m_bytes : std::string();
        std::string bytes;
        switch (Below(8)) {
        case 0:
            continue; // absent
        case 1:
            bytes = Mutated(real, 1 + Below(20));
            break;
        case 2:
            bytes = Binary(Below(4096));
            break;
        case 3:
            bytes = std::string(kMigemoEntryMaxBytes - 2 + Below(5), 'n') + " \x82\xf1\n" + "xtu " +
                    std::string(300, '\x82') + "\n";
            break;
        case 4:
            bytes = real.substr(0, Below(real.size() + 1));
            break;
        default:
            bytes = real;
            break;
        }
        tables.push_back({kTableNames[i], std::move(bytes)});
    }
    return tables;
}

DictionarySet CDictionaryGenerator::Next() {
    DictionarySet set;
    std::string dict;
    switch (Below(20)) {
    case 0:
    case 1:
    case 2:
        set.m_kind = "real lines";
        dict = Lines(Below(3000));
        set.m_mustOpen = true;
        break;
    case 3:
    case 4:
        set.m_kind = "truncated";
        dict = Lines(1 + Below(500));
        dict.resize(Below(dict.size() + 1));
        break;
    case 5:
    case 6:
    case 7:
        set.m_kind = "edited";
        dict = Mutated(Lines(1 + Below(1000)), 1 + Below(200));
        break;
    case 8:
    case 9:
        set.m_kind = "binary";
        dict = Binary(Below(65536));
        break;
    case 10:
    case 11:
        set.m_kind = "deep";
        dict = Deep(set.m_mustOpen);
        break;
    case 12:
        set.m_kind = "wide";
        dict = Siblings();
        set.m_mustOpen = true;
        break;
    case 13:
    case 14:
        set.m_kind = "invalid cp932";
        dict = InvalidCp932(1 + Below(500));
        break;
    case 15:
    case 16:
        set.m_kind = "other encoding";
        dict = OtherEncoding(1 + Below(500));
        break;
    case 17:
        set.m_kind = "empty or comments";
        dict = Chance(50) ? std::string() : ";; " + Binary(Below(100)) + "\n  \t\n";
        break;
    default:
        if (Chance(5)) {
            const bool over = Chance(50);
            set.m_kind = over ? "over the size limit" : "at the size limit";
            dict = Huge(over);
            set.m_mustOpen = !over;
        } else {
            set.m_kind = "long lines";
            dict = Lines(1 + Below(50)) + std::string(Below(2 * kMigemoEntryMaxBytes), 'x');
        }
        break;
    }
    set.m_files.push_back({"migemo-dict", std::move(dict)});
    for (DictionaryFile& table : Tables()) {
        set.m_files.push_back(std::move(table));
    }
    return set;
}

std::string CDictionaryGenerator::Query() {
    static const char* const kSpecial[] = {"n",   "nn",  "xtu", "tt",  "kk", "A",
                                           "ABC", "KaN", "()",  "[\\", "|*", "\x82\xa0"};
    std::string query;
    switch (Below(6)) {
    case 0:
        return kSpecial[Below(std::size(kSpecial))];
    case 1: { // a label of the dictionary, phrases started by capitals
        const std::string line = m_lines.empty() ? Label() : m_lines[Below(m_lines.size())];
        query = line.substr(0, line.find('\t'));
        if (!query.empty() && Chance(30)) {
            query[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(query[0])));
        }
        return Chance(20) ? query + query : query;
    }
    case 2:
        for (size_t i = Below(20); i > 0; --i) {
            query += Chance(10) ? Byte('A', 'Z') : Byte('a', 'z');
        }
        return query;
    case 3: // around the query limit
        return std::string(kMigemoQueryMaxBytes - 3 + Below(7), Chance(50) ? 'a' : 'k');
    case 4:
        query = Binary(1 + Below(40));
        break;
    default:
        query = Label() + Byte(0x81, 0x9f); // a lead byte last
        break;
    }
    for (char& byte : query) {
        byte = byte == '\0' ? 'a' : byte;
    }
    return query;
}
