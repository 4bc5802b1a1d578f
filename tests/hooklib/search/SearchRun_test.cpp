#include "search/SearchRun.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "harness/SettingsGuard.h"
#include "harness/TestViewCtrl.h"
#include "search/Migemo.h"
#include "search/Pattern.h"

namespace {

// A window's search state with a test view; records what the run shows besides the selection.
struct TestState : SearchCore {
    explicit TestState(ItemNames names) {
        auto ctrl = std::make_unique<CTestViewCtrl>(std::move(names));
        m_view = ctrl.get();
        m_pCtrl = std::move(ctrl);
        ItemNames read;
        m_pCtrl->GetItemNames(read);
        m_itemNames = read;
    }
    void OnNoMatch() override { ++m_noMatch; }
    void OnSelected(const Candidate& candidate) override {
        m_shown.push_back(m_searchText + L" : " + candidate.m_matchedText);
    }
    std::vector<uint32_t> CandidateIndices() const {
        std::vector<uint32_t> indices;
        for (const Candidate& c : m_candidates) {
            indices.push_back(c.m_itemIndex);
        }
        return indices;
    }
    void Search(const std::wstring& text, int minLength = 3, MatchMode mode = Both) {
        m_searchText = text;
        RunSearch(minLength, *this, mode);
    }

    CTestViewCtrl* m_view = nullptr;
    int m_noMatch = 0;
    std::vector<std::wstring> m_shown;
};

class SearchRun : public ::testing::Test {
  protected:
    CSettingsGuard m_guard;
};

TEST_F(SearchRun, SelectsTheFirstMatchOnlyAndFocusesIt) {
    TestState state({L"readme.txt", L"main.cpp", L"Makefile", L"notes.md"});
    state.m_view->m_selected = {0, 3};
    state.Search(L"ma");
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(state.m_view->m_selected, (std::set<int>{1}));
    EXPECT_EQ(state.m_view->m_focused, 1);
    EXPECT_EQ(state.m_shown, (std::vector<std::wstring>{L"ma : ma"}));
    EXPECT_EQ(state.m_noMatch, 0);
}

TEST_F(SearchRun, TipShowsTheMatchedTextNotTheWholeName) {
    TestState state({L"xaby"});
    state.Search(L"ab");
    EXPECT_EQ(state.m_shown, (std::vector<std::wstring>{L"ab : ab"}));
    state.Search(L"A.");
    EXPECT_EQ(state.m_shown.back(), L"A. : ab");
}

TEST_F(SearchRun, PriorForwardMatchPutsNamesStartingWithTheMatchFirst) {
    TestState state({L"xab", L"abx", L"yab", L"ab"});
    state.Search(L"ab");
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0, 1, 2, 3}));
    Shared.PriorForwardMatch = 1;
    state.Search(L"ab");
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{1, 3, 0, 2}));
    Shared.PriorForwardMatch = 2;
    state.Search(L"ab");
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0, 1, 2, 3}));
}

// Names and typed texts that take every path of a pass: both patterns run by the engine, one left
// to std::wregex, "^", alternation at the top, no Migemo pattern, invalid text.
const ItemNames kPassNames{L"xab",     L"abx",      L"ab|c",   L"cab",        L"b",
                           L"kensaku", L"検索.txt", L"新検索", L"Nihon 日本", L"日本語",
                           L"*a",      L"aab",      L"",       L"a)b",        L"bc"};
const wchar_t* const kPassTexts[] = {L"ab",    L"a|b",    L"b|^a",   L"(a|b)c", L"*a",      L"[",
                                     L"ken",   L"kensa",  L"^ab",    L"a.",     L"x*",      L"\\bb",
                                     L"nihon", L"(ab)|c", L"(?:a)|", L"a)",     L"(a)\\1b", L"b$"};

// What one pass over a name must find: the plain pattern's first match, else the Migemo one's.
std::optional<regex::Span> PlainElseMigemo(const std::wstring& text, MatchMode mode,
                                           std::wstring_view name) {
    const bool anchored = text[0] == L'^';
    const CPattern plain = mode != MigemoOnly ? BuildPlainPattern(text) : CPattern();
    const CPattern romaji =
        mode != PlainOnly
            ? BuildMigemoPattern(GetMigemo().get(), text.substr(anchored ? 1 : 0), anchored)
            : CPattern();
    const std::optional<regex::Span> span = plain.Find(name);
    return span ? span : romaji.Find(name);
}

TEST_F(SearchRun, EachNameTakesThePlainMatchElseTheMigemoMatch) {
    for (const MatchMode mode : {Both, MigemoOnly, PlainOnly}) {
        for (const wchar_t* text : kPassTexts) {
            TestState state(kPassNames);
            state.Search(text, 3, mode);
            const size_t letters = std::wcslen(text) - (text[0] == L'^' ? 1 : 0);
            std::vector<std::pair<uint32_t, std::wstring>> expected, found;
            for (uint32_t i = 0; i < kPassNames.size(); ++i) {
                const std::wstring_view name = NameText(kPassNames[i]);
                if (const auto span = PlainElseMigemo(text, letters < 3 ? PlainOnly : mode, name)) {
                    expected.emplace_back(
                        i, std::wstring(name.substr(span->m_begin, span->m_end - span->m_begin)));
                }
            }
            for (const Candidate& c : state.m_candidates) {
                found.emplace_back(c.m_itemIndex, c.m_matchedText);
            }
            EXPECT_EQ(found, expected)
                << testing::PrintToString(std::wstring(text)) << " mode " << mode;
        }
    }
}

// With PriorForwardMatch the names are searched once for both orders when that cannot change
// the result: it must equal the pass for "^" + text followed by the pass for text.
TEST_F(SearchRun, PriorForwardMatchEqualsTheCaretPassThenThePlainPass) {
    const ItemNames& names = kPassNames;
    Shared.PriorForwardMatch = 1;
    for (const MatchMode mode : {Both, MigemoOnly, PlainOnly}) {
        for (const wchar_t* text : kPassTexts) {
            TestState state(names);
            state.Search(text, 3, mode);
            std::vector<Candidate> expected;
            MatchedSet matched(names.size(), false);
            const size_t letters = std::wcslen(text) - (text[0] == L'^' ? 1 : 0);
            const MatchMode passMode = letters < 3 ? PlainOnly : mode;
            MatchItems(names, expected, GetMigemo().get(), L"^" + std::wstring(text), matched,
                       passMode);
            MatchItems(names, expected, GetMigemo().get(), text, matched, passMode);
            ASSERT_EQ(state.m_candidates.size(), expected.size())
                << testing::PrintToString(std::wstring(text)) << " mode " << mode;
            for (size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(state.m_candidates[i].m_itemIndex, expected[i].m_itemIndex);
                EXPECT_EQ(state.m_candidates[i].m_matchedText, expected[i].m_matchedText)
                    << testing::PrintToString(std::wstring(text));
            }
        }
    }
}

TEST_F(SearchRun, NoMatchLeavesTheSelectionAndReports) {
    TestState state({L"alpha", L"beta"});
    state.m_view->m_selected = {1};
    state.Search(L"zz");
    EXPECT_TRUE(state.m_candidates.empty());
    EXPECT_EQ(state.m_view->m_selected, (std::set<int>{1}));
    EXPECT_TRUE(state.m_view->m_calls.empty());
    EXPECT_EQ(state.m_noMatch, 1);
}

TEST_F(SearchRun, InvalidPatternFindsNothing) {
    TestState state({L"a(b", L"c"});
    state.Search(L"(");
    EXPECT_TRUE(state.m_candidates.empty());
    EXPECT_EQ(state.m_noMatch, 1);
}

TEST_F(SearchRun, PatternMatchingTheEmptyStringTakesEveryItem) {
    TestState state({L"xyz", L"abc", L"aaa"});
    state.Search(L"a*");
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(state.m_candidates[0].m_matchedText, L"");
    EXPECT_EQ(state.m_candidates[2].m_matchedText, L"aaa");
    EXPECT_EQ(state.m_view->m_focused, 0);
}

TEST_F(SearchRun, BelowTheMinimumLengthOnlyThePlainPatternCounts) {
    // "a.c" matches abc as a plain pattern only; with Migemo alone nothing matches it.
    TestState state({L"abc"});
    state.Search(L"a.c", 4, MigemoOnly);
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0}));
    state.Search(L"a.c", 3, MigemoOnly);
    EXPECT_TRUE(state.m_candidates.empty());
    // A leading "^" does not count towards the length.
    state.Search(L"^a.c", 3, MigemoOnly);
    EXPECT_TRUE(state.m_candidates.empty());
    state.Search(L"^a.c", 4, MigemoOnly);
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0}));
}

// The minimum comes from settings any process may write: the extremes of an int still split the
// texts into those below it and the rest, a leading "^" included.
TEST_F(SearchRun, ExtremeMinimumLengthsStillDecideWhetherMigemoTakesPart) {
    TestState state({L"abc"});
    for (const int minLength : {INT32_MAX, INT32_MAX - 1}) {
        for (const wchar_t* text : {L"a.c", L"^a.c"}) {
            state.Search(text, minLength, MigemoOnly);
            EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0})) << minLength << text;
        }
    }
    for (const int minLength : {INT32_MIN, -1, 0}) {
        for (const wchar_t* text : {L"a.c", L"^a.c"}) {
            state.Search(text, minLength, MigemoOnly);
            EXPECT_TRUE(state.m_candidates.empty()) << minLength << text;
        }
    }
}

TEST_F(SearchRun, CaretAnchorsThePlainPattern) {
    TestState state({L"xab", L"abx"});
    state.Search(L"^ab");
    EXPECT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{1}));
}

TEST_F(SearchRun, NextAndPreviousWrapAround) {
    TestState state({L"a1", L"b", L"a2", L"a3"});
    state.Search(L"a");
    ASSERT_EQ(state.CandidateIndices(), (std::vector<uint32_t>{0, 2, 3}));
    SelectNextCandidate(state);
    EXPECT_EQ(state.m_view->m_focused, 2);
    SelectNextCandidate(state);
    SelectNextCandidate(state);
    EXPECT_EQ(state.m_view->m_focused, 0);
    SelectPreviousCandidate(state);
    EXPECT_EQ(state.m_view->m_focused, 3);
    EXPECT_EQ(state.m_view->m_selected, (std::set<int>{3}));
}

TEST_F(SearchRun, SingleCandidateIsSelectedAgainByNextAndPrevious) {
    TestState state({L"only", L"x"});
    state.Search(L"on");
    state.m_view->m_calls.clear();
    SelectNextCandidate(state);
    SelectPreviousCandidate(state);
    EXPECT_EQ(state.m_view->m_calls, (std::vector<CTestViewCtrl::Call>{{0, 1, 1}, {0, 1, 1}}));
}

TEST_F(SearchRun, MovesWithoutCandidatesDoNothing) {
    TestState state({L"a"});
    SelectNextCandidate(state);
    SelectPreviousCandidate(state);
    SelectAllCandidates(state);
    EXPECT_TRUE(state.m_view->m_calls.empty());
}

TEST_F(SearchRun, SelectAllAddsEveryCandidateKeepingOthers) {
    TestState state({L"a1", L"b", L"a2", L"c"});
    state.Search(L"a");
    state.m_view->m_selected.insert(3);
    state.m_view->m_calls.clear();
    SelectAllCandidates(state);
    EXPECT_EQ(state.m_view->m_calls, (std::vector<CTestViewCtrl::Call>{{0, 0, 0}, {2, 0, 0}}));
    EXPECT_EQ(state.m_view->m_selected, (std::set<int>{0, 2, 3}));
    EXPECT_EQ(state.m_view->m_focused, 0);
}

TEST_F(SearchRun, NamesEndAtTheirFirstNul) {
    TestState state({std::wstring(L"ab\0cd", 5)});
    state.Search(L"cd");
    EXPECT_TRUE(state.m_candidates.empty());
}

TEST(SearchRun_MatchItems, SkipsItemsAlreadyMatched) {
    const ItemNames names{L"ab", L"abab", L"b"};
    std::vector<Candidate> candidates;
    MatchedSet matched{false, true, false};
    MatchItems(names, candidates, nullptr, L"b", matched, Both);
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].m_itemIndex, 0u);
    EXPECT_EQ(candidates[1].m_itemIndex, 2u);
    EXPECT_EQ(matched, (MatchedSet{true, true, true}));
}

TEST(SearchRun_MatchItems, MigemoOnlyWithoutAdapterFindsNothing) {
    const ItemNames names{L"kensaku"};
    std::vector<Candidate> candidates;
    MatchedSet matched(1, false);
    MatchItems(names, candidates, nullptr, L"ken", matched, MigemoOnly);
    EXPECT_TRUE(candidates.empty());
}

} // namespace
