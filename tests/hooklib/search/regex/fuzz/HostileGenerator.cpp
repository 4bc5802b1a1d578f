#include "HostileGenerator.h"

namespace {

constexpr std::wstring_view kKana = L"\u3042\u304b\u304c\u3055\u30a2\u30ab\u30ac\u6f22\u5b57\u65e5";

// Wraps inner so that its length stays within budget, or gives inner unchanged.
std::wstring Fit(const std::wstring& wrapped, const std::wstring& inner, size_t budget) {
    return wrapped.size() <= budget ? wrapped : inner;
}

} // namespace

std::wstring CHostileGenerator::Text() {
    return Text(Chance(10) ? 260 + Below(3000) : 1 + Below(259));
}

std::wstring CHostileGenerator::Text(size_t maxLength) {
    std::wstring text = Family(maxLength);
    if (text.size() > maxLength) {
        text.resize(maxLength); // mostly invalid then: the parser must say so just as cheaply
    }
    return text;
}

std::wstring CHostileGenerator::Family(size_t maxLength) {
    switch (Below(11)) {
    case 0:
        return EmptyLoops(maxLength);
    case 1:
        return DeepNesting(maxLength);
    case 2:
        return Alternation(maxLength);
    case 3:
        return HugeClass(maxLength);
    case 4:
        return BackReferences(maxLength);
    case 5:
        return Lookaheads(maxLength);
    case 6:
        return NestedCounts();
    case 7:
        return Repeated(maxLength);
    default: {
        std::wstring text;
        while (text.size() < maxLength / 2) {
            text += Piece(0, maxLength - text.size());
        }
        return text;
    }
    }
}

// A random term: an atom, or a group of pieces, quantified or not.
std::wstring CHostileGenerator::Piece(int depth, size_t budget) {
    std::wstring inner = depth > 6 || Chance(40) ? Atom() : L"";
    for (size_t i = inner.empty() ? 1 + Below(3) : 0; i > 0; --i) {
        inner += Piece(depth + 1, budget / 2);
        if (Chance(25)) {
            inner += L"|";
        }
    }
    static const wchar_t* const opens[] = {L"(", L"(?:", L"(?=", L"(?!", L"("};
    std::wstring term =
        depth > 0 && Chance(60) ? Fit(Pick(opens) + inner + L")", inner, budget) : inner;
    if (Chance(60)) {
        term += Quantifier();
    }
    return term.size() <= budget ? term : Atom();
}

std::wstring CHostileGenerator::Atom() {
    static const wchar_t* const atoms[] = {L"a",
                                           L"a",
                                           L"b",
                                           L".",
                                           L"\\w",
                                           L"\\W",
                                           L"\\s",
                                           L"[^a]",
                                           L"[\\s\\S]",
                                           L"[a-zA-Z_]",
                                           L"[^\\w]",
                                           L"\\d",
                                           L"(?:)",
                                           L"()",
                                           L"\\b",
                                           L"\\B",
                                           L"$",
                                           L"^",
                                           L"\\1",
                                           L"\\2",
                                           L"a?",
                                           L"(?=a)",
                                           L"(?!b)",
                                           L"\u3042",
                                           L"[\u3042-\u3093]",
                                           L"\\x61",
                                           L"\\u3042",
                                           L"[[:alpha:]]",
                                           L"(a)",
                                           L"(a|)",
                                           L"(|a)",
                                           L"(?:a|a)",
                                           L"\\.",
                                           L"[\\u0000-\\uffff]"};
    return Pick(atoms);
}

std::wstring CHostileGenerator::Quantifier() {
    static const wchar_t* const simple[] = {L"*", L"+", L"?", L"*?", L"+?", L"??"};
    if (Chance(60)) {
        return Pick(simple);
    }
    std::wstring count = L"{" + Count();
    if (Chance(60)) {
        count += L"," + (Chance(30) ? L"" : Count());
    }
    return count + (Chance(30) ? L"}?" : L"}");
}

std::wstring CHostileGenerator::Count() {
    static const wchar_t* const counts[] = {L"0",    L"1",    L"2",     L"5",          L"10",
                                            L"50",   L"100",  L"255",   L"999",        L"1000",
                                            L"1001", L"5000", L"50000", L"99999999999"};
    return Pick(counts);
}

// The first text of the kind that hung the host: empty loops, then counted repeats of optional
// atoms, then a literal.
std::wstring CHostileGenerator::EmptyLoops(size_t maxLength) {
    static const wchar_t* const loops[] = {L"(?:)*",   L"()*",    L"(?:|)*", L"(a*)*",
                                           L"(?:a?)*", L"(\\b)*", L"(?:$)*"};
    static const wchar_t* const counted[] = {L"(?:a?){1000}", L"(a?){255}", L"(?:a*){50}",
                                             L"(?:.?){999}", L"(a|){100}"};
    std::wstring text;
    for (size_t i = Below(8); i > 0 && text.size() + 8 < maxLength; --i) {
        text += Pick(loops);
    }
    for (size_t i = 1 + Below(4); i > 0 && text.size() + 14 < maxLength; --i) {
        text += Pick(counted);
    }
    return text + L"a";
}

// Groups nested as deep as the length allows, under a quantifier: the second text that
// crashed the host.
std::wstring CHostileGenerator::DeepNesting(size_t maxLength) {
    const std::wstring core = Chance(50) ? L"a" : Atom();
    const std::wstring open = Chance(70) ? L"(" : L"(?:";
    const std::wstring close = Chance(20) ? L")*" : L")";
    const size_t room = maxLength > core.size() + 4 ? maxLength - core.size() - 4 : 0;
    const size_t depth = room / (open.size() + close.size());
    std::wstring text;
    for (size_t i = 0; i < depth; ++i) {
        text += open;
    }
    text += core;
    for (size_t i = 0; i < depth; ++i) {
        text += close;
    }
    return text + (Chance(50) ? L"*b" : Quantifier());
}

std::wstring CHostileGenerator::Alternation(size_t maxLength) {
    std::wstring text = L"(?:";
    while (text.size() + 8 < maxLength) {
        text += (Chance(20) ? L"" : Atom()) + L"|";
    }
    return text + L"a)" + Quantifier() + (Chance(50) ? L"b" : L"");
}

std::wstring CHostileGenerator::HugeClass(size_t maxLength) {
    std::wstring text = Chance(50) ? L"[^" : L"[";
    while (text.size() + 8 < maxLength) {
        const wchar_t first = static_cast<wchar_t>(0x20 + Below(0x3000));
        text += std::wstring{first, L'-', static_cast<wchar_t>(first + Below(0x400))};
        if (Chance(10)) {
            text += L"\\w";
        }
    }
    return text + L"]" + Quantifier() + L"x";
}

std::wstring CHostileGenerator::BackReferences(size_t maxLength) {
    static const wchar_t* const groups[] = {L"(.)",  L"(a*)", L"(.*)",   L"(a|b)*", L"(\\w+)",
                                            L"(a?)", L"(.)*", L"((a))*", L"(|a)+"};
    static const wchar_t* const uses[] = {L"\\1", L"\\1*", L"\\1{2,}", L"\\2", L"\\1?", L".\\1"};
    std::wstring text;
    while (text.size() + 16 < maxLength && (text.empty() || Chance(70))) {
        text += std::wstring(Pick(groups)) + (Chance(50) ? Quantifier() : L"") + Pick(uses);
    }
    return text + (Chance(50) ? L"b" : L"");
}

std::wstring CHostileGenerator::Lookaheads(size_t maxLength) {
    static const wchar_t* const looks[] = {L"(?=a)",    L"(?!b)",     L"(?=.*a)",
                                           L"(?!.*b$)", L"(?=(a*)*)", L"(?=a)a"};
    std::wstring text = Chance(50) ? L"(?:" : L"";
    while (text.size() + 16 < maxLength && (text.size() < 4 || Chance(80))) {
        text += Pick(looks);
    }
    return text + (text.starts_with(L"(?:") ? L")*b" : L".");
}

std::wstring CHostileGenerator::NestedCounts() {
    std::wstring text = L"a";
    for (size_t i = 1 + Below(4); i > 0; --i) {
        text = L"(?:" + text + L"){0," + Count() + L"}";
    }
    return text + L"b";
}

// A text typed on: one kind of piece over and over.
std::wstring CHostileGenerator::Repeated(size_t maxLength) {
    static const wchar_t* const pieces[] = {L"a*",    L"(a|b)", L"\\b",   L"a?",
                                            L"(?:)*", L"[^b]*", L"(?=a)", L".*"};
    const std::wstring piece = Pick(pieces);
    std::wstring text;
    while (text.size() + piece.size() <= maxLength) {
        text += piece;
    }
    return text;
}

// A group of alternatives, each of characters, brackets of one character each, escapes,
// braces and groups nested a few deep, as Migemo's answer for a short query (which runs to
// thousands of characters). Its last alternative has no group, so that the search run's cut at
// the last "|" leaves it balanced.
std::wstring CHostileGenerator::MigemoExpression() {
    const size_t length = 200 + Below(Chance(20) ? 20000 : 3000);
    std::wstring expression = L"(";
    while (expression.size() < length) {
        expression += MigemoWord(0) + L"|";
    }
    return expression + MigemoWord(3) + L")";
}

std::wstring CHostileGenerator::MigemoWord(int depth) {
    std::wstring word;
    for (size_t i = 1 + Below(5); i > 0; --i) {
        const size_t kind = Below(12);
        if (kind < 5) {
            word += kKana[Below(kKana.size())];
        } else if (kind < 8) {
            word +=
                std::wstring(L"[") + kKana[Below(kKana.size())] + kKana[Below(kKana.size())] + L"]";
        } else if (kind < 9) {
            word += Chance(50) ? L"\\." : L"a";
        } else if (kind < 10) {
            word += Chance(50) ? L"{" : L"}";
        } else if (depth < 3) {
            word += L"(" + MigemoWord(depth + 1) + L"|" + MigemoWord(depth + 1) + L")";
        }
    }
    return word;
}

std::vector<std::wstring> CHostileGenerator::Names(const std::wstring& text, size_t count) {
    std::wstring pool;
    for (const wchar_t c : text) {
        if (c != L'\\' && c != L'(' && c != L')' && c != L'[' && c != L']' && c != L'|' &&
            c != L'*' && c != L'+' && c != L'?' && c != L'{' && c != L'}') {
            pool += c;
        }
    }
    pool += L"aab ";
    std::vector<std::wstring> kinds;
    for (size_t i = 0; i < 6; ++i) {
        kinds.push_back(Name(i == 0 ? L"a" : i == 1 ? L"ab" : pool));
    }
    std::vector<std::wstring> names;
    for (size_t i = 0; i < count; ++i) {
        names.push_back(kinds[i % kinds.size()]);
    }
    return names;
}

std::wstring CHostileGenerator::Name(const std::wstring& pool) {
    std::wstring name;
    while (name.size() < 258) {
        name += pool[Below(pool.size())];
    }
    return name + (Chance(50) ? L"b" : L"a"); // what many texts need last
}
