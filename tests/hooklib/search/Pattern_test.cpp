#include "search/Pattern.h"

#include <gtest/gtest.h>

namespace {

std::optional<std::wstring> FirstMatch(const CPattern& pattern, const std::wstring& name) {
    std::wstring matched;
    if (!pattern.Search(name, &matched)) {
        return std::nullopt;
    }
    return matched;
}

TEST(Pattern_Plain, TypedTextIsARegularExpression) {
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"a.c"), L"xabc"), L"abc");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"b|c"), L"abc"), L"b");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"[0-9]+"), L"file12.txt"), L"12");
}

TEST(Pattern_Plain, MatchesAnywhereIgnoringCase) {
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"ABC"), L"xabcx"), L"abc");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"readme"), L"README.md"), L"README");
}

TEST(Pattern_Plain, CaretAnchorsAtTheStartOfTheName) {
    const CPattern pattern = BuildPlainPattern(L"^ab");
    EXPECT_EQ(FirstMatch(pattern, L"abx"), L"ab");
    EXPECT_FALSE(pattern.Search(L"xab"));
    EXPECT_FALSE(pattern.Search(L"x\nab"));
}

TEST(Pattern_Plain, FirstPositionAndFirstAlternativeWin) {
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"a|ab"), L"xab"), L"a");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"b+"), L"abbb bb"), L"bbb");
}

TEST(Pattern_Plain, InvalidTextMatchesNothingWithoutError) {
    for (const wchar_t* text : {L"(", L"[", L"a{2", L"*", L"(?<", L"\\"}) {
        const CPattern pattern = BuildPlainPattern(text);
        EXPECT_TRUE(pattern.IsEmpty()) << text;
        EXPECT_FALSE(pattern.Search(std::wstring(L"a(b[c{*\\")));
    }
}

TEST(Pattern_Plain, EmptyMatchIsAMatch) {
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"z*"), L"abc"), L"");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L""), L"abc"), L"");
}

TEST(Pattern_Plain, NameEndsAtItsFirstNul) {
    const std::wstring name(L"abc\0xyz", 7);
    EXPECT_FALSE(BuildPlainPattern(L"xyz").Search(name));
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"c$"), name), L"c");
}

TEST(Pattern_Plain, JapaneseNamesMatchLiterally) {
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"\u691c\u7d22"), L"\u691c\u7d22\u7d50\u679c.txt"),
              L"\u691c\u7d22");
    // Full-width and half-width forms are not folded into each other.
    EXPECT_FALSE(BuildPlainPattern(L"abc").Search(L"\uff41\uff42\uff43"));
}

// A character beyond the basic plane is a surrogate pair in a UTF-16 name (written here unit by
// unit, as Windows holds it): a quantifier repeats the pair, "." takes it whole, and no match
// ends between its halves. U+20BB6 shares its first half with U+20BB7.
TEST(Pattern_Plain, ASurrogatePairIsOneCharacter) {
    const std::wstring yoshi = L"\xD842\xDFB7";
    const std::wstring other = L"\xD842\xDFB6";
    EXPECT_EQ(FirstMatch(BuildPlainPattern(yoshi + L"\u7530"), L"x" + yoshi + L"\u7530.txt"),
              yoshi + L"\u7530");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(yoshi + L"+"), L"a" + yoshi + yoshi + L"b"),
              yoshi + yoshi);
    EXPECT_EQ(FirstMatch(BuildPlainPattern(yoshi + L"*"), other), L"");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"a.b"), L"xa" + yoshi + L"b"), L"a" + yoshi + L"b");
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"a."), L"a" + yoshi), L"a" + yoshi);
    // A lone half is still a character; an escaped dot and a bracket keep their meaning.
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"a."), L"a\xD842"), L"a\xD842");
    EXPECT_FALSE(BuildPlainPattern(L"a\\.").Search(L"a" + yoshi));
    EXPECT_EQ(FirstMatch(BuildPlainPattern(L"[.]" + yoshi), L"x." + yoshi), L"." + yoshi);
}

TEST(Pattern_Empty, MatchesNothing) {
    const CPattern empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(empty.Search(L""));
    EXPECT_FALSE(empty.Search(L"anything"));
}

TEST(Pattern_MigemoEdit, CutsTheLastAlternativeAndClosesTheGroup) {
    EXPECT_EQ(EditMigemoExpression(L"(a|b|c)", false), L"(a|b)");
    EXPECT_EQ(EditMigemoExpression(L"(a|b|c)", true), L"^(a|b)");
}

TEST(Pattern_MigemoEdit, WithoutBarOnlyBracesAndAnchorChange) {
    EXPECT_EQ(EditMigemoExpression(L"abc", false), L"abc");
    EXPECT_EQ(EditMigemoExpression(L"a{1}b", true), L"^a\\{1\\}b");
}

TEST(Pattern_MigemoEdit, BracesAreEscapedBeforeTheCut) {
    EXPECT_EQ(EditMigemoExpression(L"({|})", false), L"(\\{)");
}

TEST(Pattern_Migemo, NoExpressionMatchesNothing) {
    EXPECT_TRUE(BuildMigemoPatternFromExpression(std::nullopt, false).IsEmpty());
    EXPECT_TRUE(BuildMigemoPatternFromExpression(std::nullopt, true).IsEmpty());
}

TEST(Pattern_Migemo, GroupOfThreeAlternativesKeepsTheFirstTwo) {
    const CPattern pattern =
        BuildMigemoPatternFromExpression(std::wstring(L"(ka|\u304b|\u30ab)"), false);
    EXPECT_TRUE(pattern.Search(L"xka"));
    EXPECT_TRUE(pattern.Search(L"\u304b\u3055"));
    EXPECT_FALSE(pattern.Search(L"\u30ab\u30b5"));
}

TEST(Pattern_Migemo, AnchoredExpressionMatchesOnlyAtTheStart) {
    const CPattern pattern = BuildMigemoPatternFromExpression(std::wstring(L"(ka|\u304b|x)"), true);
    EXPECT_TRUE(pattern.Search(L"\u304bx"));
    EXPECT_FALSE(pattern.Search(L"x\u304b"));
}

TEST(Pattern_Migemo, BarInsideANestedGroupLeavesItUnbalancedAndEmpty) {
    EXPECT_TRUE(BuildMigemoPatternFromExpression(std::wstring(L"(a(b|c))"), false).IsEmpty());
}

TEST(Pattern_Migemo, BracesMatchLiterally) {
    const CPattern pattern = BuildMigemoPatternFromExpression(std::wstring(L"a{2}"), false);
    EXPECT_TRUE(pattern.Search(L"xa{2}"));
    EXPECT_FALSE(pattern.Search(L"aa"));
}

} // namespace

namespace {

// Back-references and the like are left to std::wregex, which may backtrack without bound. A
// name whose search runs out of its allowance and the pass's reserve does not match; the names
// after it still do.
TEST(Pattern_Library, NamesAfterACutOffOneStillMatch) {
    const CPattern pattern = BuildPlainPattern(L"(a*)*\\1b");
    ASSERT_TRUE(pattern.UsesLibrary());
    EXPECT_EQ(FirstMatch(pattern, L"xab"), L"ab");
    EXPECT_FALSE(pattern.Search(std::wstring(259, L'a')));
    EXPECT_EQ(pattern.Budget().CutNames(), 1u);
    EXPECT_EQ(FirstMatch(pattern, L"xab"), L"ab");
    EXPECT_EQ(pattern.Budget().CutNames(), 1u);
}

// A back-reference costs std::wregex some two hundred steps a character; each name's share of
// the pass, however large the folder, covers that in a short name, so every such name is
// searched in full however many came before it (a budget shared by the whole pass ran out
// after some 46,000 of these).
TEST(Pattern_Library, EveryNameOfALargeFolderIsSearched) {
    const CPattern pattern = BuildPlainPattern(L"(.)\\1");
    ASSERT_TRUE(pattern.UsesLibrary());
    constexpr size_t kNames = 50000;
    pattern.StartPass(kNames);
    const std::wstring name = L"abcdYy"; // the pair at its end
    size_t found = 0;
    for (size_t i = 0; i < kNames; ++i) {
        found += FirstMatch(pattern, name) == L"Yy" ? 1 : 0;
    }
    EXPECT_EQ(found, kNames);
    EXPECT_EQ(pattern.Budget().CutNames(), 0u);
}

// A pass over a folder of 10,000 names of 259 characters: how many match, and whether the
// pattern spent no more than its budget allows such a pass.
struct FolderPass {
    size_t m_matches = 0;
    bool m_withinBudget = false;
};

FolderPass SearchFolder(const CPattern& pattern, const std::wstring& name) {
    constexpr size_t kNames = 10000;
    pattern.StartPass(kNames);
    const uint64_t before = pattern.Budget().Spent();
    FolderPass pass;
    for (size_t i = 0; i < kNames; ++i) {
        pass.m_matches += pattern.Search(name) ? 1 : 0;
    }
    const regex::BudgetLimits& limits =
        pattern.UsesLibrary() ? CPattern::kLibraryBudget : CPattern::kEngineBudget;
    pass.m_withinBudget =
        pattern.Budget().Spent() - before <= kNames * pattern.Budget().Own() + limits.m_reserve;
    return pass;
}

// The text that took 41 s for one name: empty loops, then counted repeats of optional atoms.
// Its automaton is beyond both engines: it matches nothing, at once. A smaller one of its kind
// runs, each name within its share of the pass.
TEST(Pattern_Bounded, EmptyLoopsBeforeCountedRepeats) {
    const std::wstring text = L"(?:)*(?:)*(?:)*(?:)*(?:a?){1000}(?:a?){1000}a";
    ASSERT_EQ(text.size(), 45u);
    const CPattern pattern = BuildPlainPattern(text);
    EXPECT_TRUE(pattern.IsEmpty());
    const CPattern smaller = BuildPlainPattern(L"(?:)*(?:)*(?:)*(?:)*(?:a?){100}(?:a?){100}a");
    ASSERT_FALSE(smaller.IsEmpty());
    EXPECT_EQ(FirstMatch(smaller, L"xaa"), L"aa"); // with the whole reserve to itself
    const FolderPass pass = SearchFolder(smaller, std::wstring(259, L'a'));
    EXPECT_TRUE(pass.m_withinBudget);
}

// The nesting of 101 groups under a loop that overflowed the stack in the library: our engine
// runs it, without recursion, and finds what the library would.
TEST(Pattern_Bounded, NestingOf101GroupsUnderALoop) {
    std::wstring text;
    for (int i = 0; i < 101; ++i) {
        text += L"(";
    }
    text += L"a";
    for (int i = 0; i < 101; ++i) {
        text += L")";
    }
    text += L"*b";
    const CPattern pattern = BuildPlainPattern(text);
    ASSERT_FALSE(pattern.IsEmpty());
    EXPECT_FALSE(pattern.UsesLibrary());
    EXPECT_EQ(FirstMatch(pattern, std::wstring(258, L'a') + L"b"), std::wstring(258, L'a') + L"b");
    const FolderPass pass = SearchFolder(pattern, std::wstring(259, L'a'));
    EXPECT_EQ(pass.m_matches, 0u);
    EXPECT_TRUE(pass.m_withinBudget);
}

// Beyond the limits of both engines a text matches nothing: nesting deeper than the parser
// takes, counted repeats that build too much, and loops that may go round empty nested so
// deep that a cut-off library search would take long to return.
TEST(Pattern_Bounded, BeyondTheLimitsNothingMatches) {
    const std::wstring deep = std::wstring(300, L'(') + L"a" + std::wstring(300, L')');
    for (const std::wstring& text :
         {deep, std::wstring(L"a{1000000}"), std::wstring(L"(?:a{1000}){1000}"),
          std::wstring(L"(((a*)*)*)*\\1b"), std::wstring(L"a{99999999999999999999}")}) {
        EXPECT_TRUE(BuildPlainPattern(text).IsEmpty()) << testing::PrintToString(text);
    }
}

TEST(Pattern_Library, EngineTakesWhatItHandles) {
    EXPECT_FALSE(BuildPlainPattern(L"(a*)*b").UsesLibrary());
    EXPECT_FALSE(BuildPlainPattern(L"^\u304b[\u304c\u30ab]|x").UsesLibrary());
    EXPECT_TRUE(BuildPlainPattern(L"(?=a)").UsesLibrary());
}

} // namespace
