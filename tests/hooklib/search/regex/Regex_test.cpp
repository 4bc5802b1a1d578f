#include "search/regex/Regex.h"

#include <gtest/gtest.h>

#include <regex>
#include <tuple>

namespace {

using regex::CRegex;

// What std::wregex finds, as "begin-end" or "none".
std::string Library(const std::wstring& pattern, const std::wstring& name) {
    const std::wregex library(pattern,
                              std::regex_constants::ECMAScript | std::regex_constants::icase);
    std::wsmatch match;
    if (!std::regex_search(name, match, library)) {
        return "none";
    }
    return std::to_string(match.position(0)) + "-" +
           std::to_string(match.position(0) + match.length(0));
}

std::string SpanText(const std::optional<regex::Span>& span) {
    return span ? std::to_string(span->m_begin) + "-" + std::to_string(span->m_end) : "none";
}

std::string Ours(const std::wstring& pattern, const std::wstring& name) {
    const auto compiled = CRegex::Compile(pattern);
    return compiled ? SpanText(compiled->Search(name)) : "not handled";
}

struct Case {
    const wchar_t* m_pattern;
    const wchar_t* m_name;
    const char* m_expected;
};

void ExpectCases(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(Ours(c.m_pattern, c.m_name), c.m_expected)
            << "pattern " << testing::PrintToString(std::wstring(c.m_pattern));
        EXPECT_EQ(Library(c.m_pattern, c.m_name), c.m_expected)
            << "library, pattern " << testing::PrintToString(std::wstring(c.m_pattern));
    }
}

TEST(Regex_FirstMatch, LeftmostStartThenAlternativesInWrittenOrder) {
    ExpectCases({{L"a|ab", L"xab", "1-2"},
                 {L"ab|a", L"xab", "1-3"},
                 {L"b|xa", L"xab", "0-2"},
                 {L"(a|ab)(c|bcd)", L"abcd", "0-4"},
                 {L"", L"abc", "0-0"},
                 {L"z*", L"abc", "0-0"},
                 {L"q", L"abc", "none"}});
}

TEST(Regex_FirstMatch, GreedyAndLazyQuantifiers) {
    ExpectCases({{L"a+", L"baaa", "1-4"},
                 {L"a+?", L"baaa", "1-2"},
                 {L"a*?b", L"aab", "0-3"},
                 {L"a??a", L"aa", "0-1"},
                 {L"a{2,3}", L"aaaa", "0-3"},
                 {L"a{2,3}?", L"aaaa", "0-2"},
                 {L"a{2,}", L"aaaaa", "0-5"},
                 {L"a{0}b", L"ab", "1-2"},
                 {L"(ab){2}", L"abababx", "0-4"},
                 {L"a**", L"aa", "0-2"},
                 {L"a*??", L"aa", "0-0"}});
}

// std::regex lets a loop go round empty twice at one position before it must leave; that
// decides which of several paths through a nullable loop comes first.
TEST(Regex_FirstMatch, EmptyIterationsAsTheLibraryCountsThem) {
    ExpectCases({{L"(|a)*", L"a", "0-0"},
                 {L"(a|)*", L"aa", "0-2"},
                 {L"(a*)*b", L"aab", "0-3"},
                 {L"(a?)*?b", L"ab", "0-2"},
                 {L"(a*|b)*c", L"abbc", "0-4"},
                 {L"((a*)*)*", L"aa", "0-2"}});
}

// "$" runs by the automaton, whose steps then depend on whether the text ends after the
// character; its starts are checked against the second character, which at the end is none.
TEST(Regex_FirstMatch, EndOfTextByTheAutomaton) {
    ExpectCases({{L"a$", L"xa", "1-2"},
                 {L"a$", L"xax", "none"},
                 {L"x*$", L"abc", "3-3"},
                 {L"$", L"", "0-0"},
                 {L"^$", L"", "0-0"},
                 {L"^$", L"a", "none"},
                 {L"b$|a", L"ab", "0-1"},
                 {L"a(b$|c)", L"abcab", "3-5"},
                 {L"a+$", L"aabaa", "3-5"},
                 {L"(a|ab)$", L"xab", "1-3"},
                 {L"\\.txt$", L"a.txt.bak.txt", "9-13"}});
}

TEST(Regex_FirstMatch, Assertions) {
    ExpectCases({{L"^ab", L"xab", "none"},
                 {L"^ab", L"abx", "0-2"},
                 {L"x|^a", L"ba", "none"},
                 {L"a$", L"aba", "2-3"},
                 {L"a$", L"a\nb", "none"},
                 {L"\\bb", L"ab b", "3-4"},
                 {L"\\Bb", L"b ab", "3-4"},
                 {L"a^", L"aa", "none"}});
}

// "\\xHH" and "\\uHHHH" are characters, in brackets too; "\\cX" is X itself, as libstdc++
// reads it.
TEST(Regex_CharacterSets, EscapesOfOneCharacter) {
    ExpectCases({{L"\\x41", L"xa", "1-2"},
                 {L"\\u3042+", L"x\u3042\u3042", "1-3"},
                 {L"[\\x41-\\x43]+", L"zabcd", "1-4"},
                 {L"[\\u3041-\\u3043]", L"\u3043", "0-1"},
                 {L"\\cA", L"xa", "1-2"},
                 {L"\\c]", L"a]", "1-2"},
                 {L"\\\u00e9", L"\u00c9\u00e9", "1-2"}});
}

TEST(Regex_CharacterSets, ClassesRangesAndCase) {
    ExpectCases({{L"[a-c]+", L"xBCa", "1-4"},
                 {L"[^a-c]", L"abcD", "3-4"},
                 {L"\\d+", L"ab12", "2-4"},
                 {L"\\w+", L"-_a1-", "1-4"},
                 {L"\\s", L"a b", "1-2"},
                 {L"[\\W]", L"ab-", "2-3"},
                 {L"[^\\W]", L"-a", "1-2"},
                 {L"[a-]+", L"x-a-", "1-4"},
                 {L"[-a]", L"x-", "1-2"},
                 {L"[]", L"abc", "none"},
                 {L"[^]", L"abc", "0-1"},
                 {L"[Z-a]", L"z", "0-1"},
                 {L"\\{\\}", L"a{}", "1-3"},
                 {L"ABC", L"xabcx", "1-4"},
                 {L".", L"\n\ra", "2-3"},
                 {L"\u304b", L"\u30ab\u304b", "1-2"}});
}

// Characters from the start of the last class below U+10000 up to U+FFFF share that class
// without a table entry each.
TEST(Regex_CharacterSets, CharactersPastTheClassTable) {
    ExpectCases({{L"[\u3042-\uffff]", L"\u3041\u3042", "1-2"},
                 {L"[\u3042-\uffff]+", L"a\u4e00\uffff", "1-3"},
                 {L"[\u3042-\uffff]+", L"\u4e00\u3041x", "0-1"},
                 {L"\u3042[^\u3042-\uffff]", L"\u3042\u4e00\u3042x", "2-4"},
                 {L"[^\u3042-\uffff]", L"\u4e00\u3041", "1-2"},
                 {L"n.", L"xn\u4e00", "1-3"},
                 {L"\u3042", L"\u4e00\u3042", "1-2"},
                 {L"ni", L"\u65e5\u672cNi", "2-4"}});
}

TEST(Regex_NotHandled, LeftToTheLibrary) {
    for (const wchar_t* pattern :
         {L"(a)\\1", L"(?=a)a", L"(?!a)b", L"[[:alpha:]]", L"\\x4", L"[\\1]", L"(a*b*c*d*e*)*",
          L"(", L"a{2", L"*", L"[b-a]", L"a)"}) {
        EXPECT_FALSE(CRegex::Compile(pattern).has_value())
            << testing::PrintToString(std::wstring(pattern));
    }
}

// A pattern that the library takes minutes over (each further "a" triples its time) is linear
// here.
TEST(Regex_Bounded, NestedQuantifiersOnLongNames) {
    const auto nested = CRegex::Compile(L"(a*)*b");
    ASSERT_TRUE(nested);
    EXPECT_FALSE(nested->Search(std::wstring(259, L'a')));
    const auto span = nested->Search(std::wstring(258, L'a') + L"b");
    ASSERT_TRUE(span);
    EXPECT_EQ(span->m_end - span->m_begin, 259u);
}

// Thousands of character classes fill the step automaton quickly; the search then goes on
// thread by thread with the same result.
TEST(Regex_Bounded, FullAutomatonGoesOnThreadByThread) {
    std::wstring set = L"[";
    for (wchar_t c = 0x4e00; c < 0x4e00 + 6000; c += 2) {
        set += c;
    }
    const std::wstring pattern = set + L"].{0,40}z";
    std::wstring name;
    for (int i = 0; i < 250; ++i) {
        name += static_cast<wchar_t>(0x4e00 + (i * 7919) % 6000);
    }
    name += L"z";
    EXPECT_EQ(Ours(pattern, name), Library(pattern, name));
    EXPECT_EQ(Ours(pattern, name.substr(0, 200)), Library(pattern, name.substr(0, 200)));
}

// Most starts met in names are followed by a character no match can take: they are passed
// over, but never a start that its character alone completes, nor one at the text's end that
// may match there.
TEST(Regex_SecondCharacter, StartsThatCannotGoOnArePassedOver) {
    ExpectCases({{L"ni", L"nan", "none"},
                 {L"ni", L"nanI", "2-4"},
                 {L"ni", L"xn", "none"},
                 {L"n|ni", L"xn", "1-2"},
                 {L"ni|\u65e5", L"na\u65e5", "2-3"},
                 {L"^ni", L"nni", "none"},
                 {L"^n|i", L"nx", "0-1"},
                 {L"^na|i", L"nxi", "2-3"},
                 {L"(ni)?x", L"nx", "1-2"},
                 {L"n(i|)", L"na", "0-1"},
                 {L"a[^b]", L"abac", "2-4"},
                 {L"x*", L"ab", "0-0"}});
}

// The rows of second characters are kept up to a bound; starts met past it are searched
// without the check, with the same result.
TEST(Regex_SecondCharacter, StartsPastTheBoundOfRowsStillMatch) {
    std::wstring pattern;
    std::wstring name;
    for (wchar_t c = 0x4e00; c < 0x4e00 + 3000; ++c) {
        pattern += (pattern.empty() ? L"" : L"|") + std::wstring{c, L'x'};
        name += std::wstring{c, L'y'};
    }
    const auto compiled = CRegex::Compile(pattern);
    ASSERT_TRUE(compiled);
    EXPECT_EQ(SpanText(compiled->Search(name)), "none");
    const std::wstring early{0x4e00, L'X'};
    const std::wstring late{static_cast<wchar_t>(0x4e00 + 2999), L'x'};
    EXPECT_EQ(SpanText(compiled->Search(name + late)), "6000-6002");
    EXPECT_EQ(SpanText(compiled->Search(name + early + late)), "6000-6002");
    EXPECT_EQ(SpanText(compiled->Search(late + name)), "0-2");
}

// One compiled pattern serves every name of a folder: what it learns on one name (the steps of
// its automaton, the characters at which nothing starts) must hold for the next.
TEST(Regex_LearnedSteps, OneCompiledPatternAcrossManyNames) {
    const wchar_t* patterns[] = {L"^(ab|b)", L"^a|b",  L"(c|ab)+",
                                 L"x*",      L"^",     L"",
                                 L"b$",      L"[^a]b", L"^\u65e5\u672c|\u8a9e",
                                 L"a[^b]",   L"c(a|)", L"^c|ab"};
    const std::wstring names[] = {L"",
                                  L"b",
                                  L"ab",
                                  L"xab",
                                  L"cab",
                                  L"zzz",
                                  L"bab",
                                  L"abc",
                                  L"\u65e5\u672c\u8a9e",
                                  L"\u8a9e\u65e5\u672c",
                                  L"ccab"};
    for (const wchar_t* pattern : patterns) {
        const auto compiled = CRegex::Compile(pattern);
        ASSERT_TRUE(compiled) << testing::PrintToString(std::wstring(pattern));
        for (int round = 0; round < 2; ++round) {
            for (size_t i = 0; i < std::size(names); ++i) {
                const std::wstring& name = names[round == 0 ? i : std::size(names) - 1 - i];
                EXPECT_EQ(SpanText(compiled->Search(name)), Library(pattern, name))
                    << testing::PrintToString(std::wstring(pattern)) << " in "
                    << testing::PrintToString(name);
            }
        }
    }
}

// The first pattern's match wherever it lies, else the second's: what searching one pattern
// and then the other gives, with "(second)" where the second pattern's match is taken.
std::string Either(const std::wstring& first, const std::wstring& second,
                   const std::wstring& name) {
    const auto a = CRegex::Compile(first);
    const auto b = CRegex::Compile(second);
    if (!a || !b) {
        return "not handled";
    }
    regex::CWorkBudget firstBudget, secondBudget;
    const auto found = regex::CEitherSearch(*a, *b, firstBudget, secondBudget).Search(name);
    return found ? SpanText(found->m_span) + (found->m_second ? " (second)" : "") : "none";
}

std::string EitherByLibrary(const std::wstring& first, const std::wstring& second,
                            const std::wstring& name) {
    const std::string alone = Library(first, name);
    const std::string other = Library(second, name);
    return alone != "none" ? alone : other + (other != "none" ? " (second)" : "");
}

TEST(Regex_EitherSearch, FirstPatternAnywhereBeforeTheSecond) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const char*> cases[] = {
        {L"ni", L"\u306b", L"\u306bxni", "2-4"},          // second starts earlier
        {L"ni", L"\u306b", L"\u306bxna", "0-1 (second)"}, // first starts, fails; second earlier
        {L"ni", L"x", L"nanaxni", "5-7"},                 // second's start noted on the way
        {L"nix", L"na", L"nin na", "4-6 (second)"},       // first fails at its start
        {L"ni", L"na", L"", "none"},
        {L"ni", L"", L"abc", "0-0 (second)"},   // second matches the empty string
        {L"^ni", L"i", L"xni", "2-3 (second)"}, // "^": each searched alone
        {L"ab|b", L"a", L"xab", "1-3"},
        {L"q", L"r", L"abc", "none"},
        {L"(a*)*b", L"a", L"aaaaaaaa", "0-1 (second)"}};
    for (const auto& [first, second, name, expected] : cases) {
        EXPECT_EQ(Either(first, second, name), expected)
            << testing::PrintToString(std::wstring(first)) << " then "
            << testing::PrintToString(std::wstring(second)) << " in "
            << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(EitherByLibrary(first, second, name), expected);
    }
}

// Cases the differential fuzzer found while the engine was written.
TEST(Regex_FuzzRegressions, AgreeWithTheLibrary) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L"ACY\u6f22\u304b"},
        {L"^[\u00e0-\u00ff\\Wa-cA-Z]*?", L"aC\u00df"},
        {L"y{0}\\b", L"-\u304c\u00e9\uff419x"},
        {L"c{0}?\\b-{0,2}?(\u30ac{0,1}z)", L"\u65e5y\u30acz\u30abc"},
        {L"y{0}?\\B", L"1\u00c9\u304c-\u30a2"},
        {L"^$(?:\\W\\s)*.[0-9]|(?:ay{0,}?|.C){1,3}\u00e9\u304b|.\\S{2}|", L"1. \u00c99"},
        {L"z{2}{0,2}[\u00e0-\u00ff[\\d]|\\-|(?:y{0,2})", L"9\u00df\u304b"},
        {L"z{2}{0,2}[\u00e0-\u00ff[\\d]|\\-|(?:y{0,2})", L"YyBB_"},
        // A pattern run thread by thread passes over the positions where nothing can start,
        // and forgets the closures of the position it comes from.
        {L"X{0,1}\\bz", L"XAcYYByCC\u65e5z"},
        {L"\\bab", L"aab ab"},
    };
    for (const auto& [pattern, name] : cases) {
        EXPECT_EQ(Ours(pattern, name), Library(pattern, name))
            << testing::PrintToString(std::wstring(pattern));
    }
}

} // namespace
