// The adapter with the real Migemo library and its cp932 dictionary.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "MigemoTestSupport.h"
#include "search/Migemo.h"
#include "search/Pattern.h"

namespace fs = std::filesystem;

namespace {

// Every test starts and ends with the default directory and no process adapter.
class MigemoTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        SetProcessLibraryDir(L"");
        DeleteProcessMigemo();
    }

    static bool Matches(const std::wstring& query, const std::wstring& name,
                        std::wstring* matched = nullptr, bool anchored = false) {
        return BuildMigemoPattern(GetMigemo().get(), query, anchored).Search(name, matched);
    }
};

TEST_F(MigemoTest, RomajiMatchesKanjiAndKana) {
    std::wstring matched;
    EXPECT_TRUE(Matches(L"kensaku", L"検索結果.txt", &matched));
    EXPECT_EQ(matched, L"検索");
    EXPECT_TRUE(Matches(L"nihon", L"日本語.txt", &matched));
    EXPECT_EQ(matched, L"日本");
    EXPECT_TRUE(Matches(L"katakana", L"メモ カタカナ.doc", &matched));
    EXPECT_EQ(matched, L"カタカナ");
    EXPECT_TRUE(Matches(L"hiragana", L"ひらがな.txt", &matched));
    EXPECT_EQ(matched, L"ひらがな");
    EXPECT_TRUE(Matches(L"kensaku", L"けんさく"));
    EXPECT_FALSE(Matches(L"kensaku", L"日本語.txt"));
    EXPECT_FALSE(Matches(L"nihon", L"検索結果.txt"));
}

TEST_F(MigemoTest, AnchoredPatternMatchesOnlyAtTheStart) {
    EXPECT_TRUE(Matches(L"nihon", L"日本語.txt", nullptr, true));
    EXPECT_FALSE(Matches(L"nihon", L"新日本.txt", nullptr, true));
    EXPECT_TRUE(Matches(L"nihon", L"新日本.txt", nullptr, false));
}

TEST_F(MigemoTest, JapaneseQueryRoundTripsThroughCodePage932) {
    const auto expression = GetMigemo()->Query(L"検索");
    ASSERT_TRUE(expression.has_value());
    EXPECT_NE(expression->find(L"検索"), std::wstring::npos);
}

TEST_F(MigemoTest, NullAdapterGivesTheEmptyPattern) {
    EXPECT_TRUE(BuildMigemoPattern(nullptr, L"kensaku", false).IsEmpty());
}

TEST_F(MigemoTest, BadQueriesGiveNoResultOrAValidOne) {
    const auto migemo = GetMigemo();
    std::wstring mixed;
    const std::wstring pieces[] = {L"kensaku", L"検索", L"ｶﾅ", L"(|[", L"日本", L"x{2}"};
    for (size_t i = 0; mixed.size() < 259; ++i) {
        mixed += pieces[i % std::size(pieces)];
    }
    mixed.resize(259);
    const auto longResult = migemo->Query(mixed);
    if (longResult) {
        BuildMigemoPatternFromExpression(longResult, true).Search(mixed);
    }

    // A character code page 932 cannot hold: no expression rather than one for part of it.
    EXPECT_EQ(migemo->Query(L"kensaku\U0001F600"), std::nullopt);
    EXPECT_EQ(migemo->Query(L"nihon\u0E01abc"), std::nullopt);
    EXPECT_EQ(migemo->Query(L"\uD55C\uAD6D"), std::nullopt);
    EXPECT_TRUE(Matches(L"kensaku", L"検索"));
}

TEST_F(MigemoTest, RepeatedQueriesGiveTheLibrarysAnswer) {
    const auto first = GetMigemo();
    const auto kensaku = first->Query(L"kensaku");
    const auto nihon = first->Query(L"nihon");
    ASSERT_TRUE(kensaku && nihon);
    ASSERT_NE(kensaku, nihon);
    DeleteProcessMigemo();
    const auto migemo = GetMigemo();
    ASSERT_NE(migemo, first);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(migemo->Query(L"kensaku"), kensaku);
        EXPECT_EQ(migemo->Query(L"kensaku"), kensaku);
        EXPECT_EQ(migemo->Query(L"nihon"), nihon);
    }
    EXPECT_EQ(migemo->Query(L"kensaku\U0001F600"), std::nullopt);
    EXPECT_EQ(migemo->Query(L"kensaku"), kensaku);
}

TEST_F(MigemoTest, OneAdapterPerProcessUntilDeleted) {
    const auto first = GetMigemo();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(MigemoLocaleActive());
    EXPECT_EQ(GetMigemo(), first);

    DeleteProcessMigemo();
    const auto second = GetMigemo();
    EXPECT_NE(second, first);
    // Both the adapter a search still holds and the reloaded one keep working.
    EXPECT_TRUE(BuildMigemoPattern(first.get(), L"kensaku", false).Search(L"検索"));
    EXPECT_TRUE(BuildMigemoPattern(second.get(), L"kensaku", false).Search(L"検索"));
}

TEST_F(MigemoTest, SearchesSurviveDeletionOnAnotherThread) {
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::atomic<int> found{0};
    auto search = [&](const wchar_t* query, const wchar_t* name) {
        while (!done) {
            const auto migemo = GetMigemo();
            if (!migemo) {
                ++wrong;
                continue;
            }
            BuildMigemoPattern(migemo.get(), query, false).Search(name) ? ++found : ++wrong;
        }
    };
    std::thread kensaku(search, L"kensaku", L"検索結果.txt");
    std::thread nihon(search, L"nihon", L"日本語.txt");
    for (int i = 0; i < 20; ++i) {
        DeleteProcessMigemo();
        while (!GetMigemo()) {
        }
    }
    done = true;
    kensaku.join();
    nihon.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(found, 0);
}

// A copy of the real library with a dictionary of the test's making.
class MigemoDictionaryTest : public MigemoTest {
  protected:
    void UseLibraryIn(const CScratchDir& dir) {
        fs::copy_file(RealMigemoLibrary(), dir.Path() / MigemoFileName());
        SetProcessLibraryDir(dir.Path().wstring());
        DeleteProcessMigemo();
    }
    // Without a usable dictionary no kanji can come back, but nothing may break.
    void ExpectNoKanji() {
        const auto migemo = GetMigemo();
        ASSERT_NE(migemo, nullptr);
        for (const wchar_t* query : {L"kensaku", L"nihon", L"a"}) {
            const auto expression = migemo->Query(query);
            if (expression) {
                EXPECT_FALSE(
                    BuildMigemoPatternFromExpression(expression, false).Search(L"検索日本"));
            }
        }
    }
};

TEST_F(MigemoDictionaryTest, MissingEmptyOrGarbageDictionary) {
    CScratchDir missing("migemo-missing");
    UseLibraryIn(missing);
    ExpectNoKanji();

    CScratchDir empty("migemo-empty");
    empty.WriteDictionary("");
    UseLibraryIn(empty);
    ExpectNoKanji();

    CScratchDir garbage("migemo-garbage");
    std::string bytes;
    for (int i = 0; i < 65536; ++i) {
        bytes += static_cast<char>((i * 7919 + 13) % 256);
    }
    garbage.WriteDictionary(bytes);
    UseLibraryIn(garbage);
    ExpectNoKanji();
}

// The folders: the host crashed on the first (the library overran its stack with the
// cp932 path) and romaji search was off in the others (the path did not convert).
TEST_F(MigemoDictionaryTest, LibraryInAFolderOfAnyNameFindsJapaneseNames) {
    const std::vector<fs::path> names = HostileFolderNames();
    for (size_t i = 0; i < names.size(); ++i) {
        CScratchDir scratch("migemo-folder");
        const fs::path dir = scratch.Path() / names[i];
        CopyMigemoRuntime(dir);
        SetProcessLibraryDir(WidePath(dir));
        DeleteProcessMigemo();
        EXPECT_TRUE(Matches(L"kensaku", L"検索")) << "folder " << i;
        // The library unloads before its folder goes.
        DeleteProcessMigemo();
    }
}

TEST_F(MigemoDictionaryTest, DictionaryIsReadFromTheLibraryDirectory) {
    CScratchDir own("migemo-own");
    // けんさく<TAB>圏索 in code page 932, with the real conversion tables beside it.
    own.WriteDictionary("\x82\xaf\x82\xf1\x82\xb3\x82\xad\t\x8c\x97\x8d\xf5\n");
    own.CopyConversionTables();
    UseLibraryIn(own);
    EXPECT_TRUE(Matches(L"kensaku", L"圏索"));
    EXPECT_FALSE(Matches(L"kensaku", L"検索"));
}

} // namespace
