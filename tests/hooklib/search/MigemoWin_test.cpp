// Which Migemo library the adapter loads, and how it calls it: the real migemo.dll and the fake
// library, copied into scratch library directories.
#include <gtest/gtest.h>
#include <windows.h>

#include "FakeMigemo.h"
#include "MigemoTestSupport.h"
#include "harness/SettingsGuard.h"
#include "harness/TestListView.h"
#include "harness/XInput.h"
#include "hook/Attach.h"
#include "search/Migemo.h"
#include "search/Pattern.h"
#include "support/Barrier.h"
#include "support/Messages.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::wstring> Traces;

void Capture(const wchar_t* text) {
    Traces.emplace_back(text);
}

fs::path Fake(const char* variant) {
    return RealMigemoLibrary().parent_path() / (std::string("fake_migemo_") + variant + ".dll");
}

class MigemoLoadingTest : public ::testing::Test {
  protected:
    MigemoLoadingTest() : m_dir("migemo-loading") {}
    void SetUp() override {
        SetProcessLibraryDir(m_dir.Path().wstring());
        DeleteProcessMigemo();
    }
    void TearDown() override {
        DeleteProcessMigemo();
        SetProcessLibraryDir(L"");
    }

    void Place(const fs::path& library, const wchar_t* name) {
        fs::copy_file(library, m_dir.Path() / name);
    }
    bool IsLoaded(const wchar_t* name) const {
        return GetModuleHandleW((m_dir.Path() / name).c_str()) != nullptr;
    }
    // The calls the fake loaded as name has seen since it was loaded.
    FakeMigemoCalls CallsOf(const wchar_t* name) const {
        const HMODULE module = GetModuleHandleW((m_dir.Path() / name).c_str());
        if (module == nullptr) {
            ADD_FAILURE() << "fake not loaded";
            return {};
        }
        const auto calls = reinterpret_cast<FakeMigemoCallsProc>(
            reinterpret_cast<void*>(GetProcAddress(module, "fake_migemo_calls")));
        return *calls();
    }
    std::string DictionaryOf(const wchar_t* name) const {
        const HMODULE module = GetModuleHandleW((m_dir.Path() / name).c_str());
        const auto dictionary = reinterpret_cast<FakeMigemoDictionaryProc>(
            reinterpret_cast<void*>(GetProcAddress(module, "fake_migemo_dictionary")));
        return dictionary();
    }

    CScratchDir m_dir;
};

TEST_F(MigemoLoadingTest, MigemoDllIsPreferredToMigemo32Dll) {
    Place(Fake("full"), L"migemo.dll");
    Place(RealMigemoLibrary(), L"migemo32.dll");
    EXPECT_EQ(GetMigemo()->Query(L"kensaku"), L"(fake-kensaku|a|b)");
    EXPECT_FALSE(IsLoaded(L"migemo32.dll"));
    EXPECT_EQ(DictionaryOf(L"migemo.dll"),
              (m_dir.Path() / "dict" / "cp932" / "migemo-dict").string());
}

TEST_F(MigemoLoadingTest, RealMigemoDllBesideAFakeMigemo32Dll) {
    Place(RealMigemoLibrary(), L"migemo.dll");
    Place(Fake("full"), L"migemo32.dll");
    fs::create_directories(m_dir.DictionaryDir());
    fs::copy(RealDictionaryDir(), m_dir.DictionaryDir());
    EXPECT_TRUE(BuildMigemoPattern(GetMigemo().get(), L"kensaku", false).Search(L"検索結果.txt"));
    EXPECT_FALSE(IsLoaded(L"migemo32.dll"));
}

TEST_F(MigemoLoadingTest, OnlyMigemo32DllIsUsed) {
    Place(Fake("full"), L"migemo32.dll");
    EXPECT_EQ(GetMigemo()->Query(L"nihon"), L"(fake-nihon|a|b)");
    EXPECT_EQ(CallsOf(L"migemo32.dll").m_opens, 1);
}

TEST_F(MigemoLoadingTest, NeitherLibraryGivesNoResult) {
    const auto migemo = GetMigemo();
    ASSERT_NE(migemo, nullptr);
    EXPECT_EQ(migemo->Query(L"kensaku"), std::nullopt);
    EXPECT_TRUE(BuildMigemoPattern(migemo.get(), L"kensaku", false).IsEmpty());
    EXPECT_TRUE(BuildPlainPattern(L"ken").Search(L"kensaku.txt"));
}

TEST_F(MigemoLoadingTest, EachQueryIsReleasedAndNullResultsAreNot) {
    Place(Fake("full"), L"migemo.dll");
    const auto migemo = GetMigemo();
    EXPECT_TRUE(migemo->Query(L"ab"));
    EXPECT_TRUE(migemo->Query(L"cd"));
    EXPECT_EQ(migemo->Query(L"null"), std::nullopt);
    const FakeMigemoCalls calls = CallsOf(L"migemo.dll");
    EXPECT_EQ(calls.m_opens, 1);
    EXPECT_EQ(calls.m_queries, 3);
    EXPECT_EQ(calls.m_releases, 2);
    EXPECT_EQ(calls.m_setOperators, 0);
}

TEST_F(MigemoLoadingTest, TheSameQueryAgainAsksTheLibraryOnce) {
    Place(Fake("full"), L"migemo.dll");
    const auto migemo = GetMigemo();
    EXPECT_EQ(migemo->Query(L"ab"), L"(fake-ab|a|b)");
    EXPECT_EQ(migemo->Query(L"ab"), L"(fake-ab|a|b)");
    EXPECT_EQ(migemo->Query(L"cd"), L"(fake-cd|a|b)");
    EXPECT_EQ(migemo->Query(L"ab"), L"(fake-ab|a|b)");
    EXPECT_EQ(migemo->Query(L"null"), std::nullopt);
    EXPECT_EQ(migemo->Query(L"null"), std::nullopt);
    const FakeMigemoCalls calls = CallsOf(L"migemo.dll");
    EXPECT_EQ(calls.m_queries, 4);
    EXPECT_EQ(calls.m_releases, 3);
}

struct MissingEntry {
    const char* m_variant;
    bool m_answers;
    long m_opens;
};

class MigemoMissingEntryTest : public MigemoLoadingTest,
                               public ::testing::WithParamInterface<MissingEntry> {};

TEST_P(MigemoMissingEntryTest, LibraryLackingOneEntryPoint) {
    Place(Fake(GetParam().m_variant), L"migemo.dll");
    const auto migemo = GetMigemo();
    EXPECT_EQ(migemo->Query(L"kensaku").has_value(), GetParam().m_answers);
    const FakeMigemoCalls calls = CallsOf(L"migemo.dll");
    EXPECT_EQ(calls.m_opens, GetParam().m_opens);
    EXPECT_EQ(calls.m_queries, GetParam().m_answers ? 1 : 0);
    EXPECT_EQ(calls.m_setOperators, 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, MigemoMissingEntryTest,
                         ::testing::Values(MissingEntry{"without_open", false, 0},
                                           MissingEntry{"without_close", true, 1},
                                           MissingEntry{"without_query", false, 1},
                                           MissingEntry{"without_release", false, 1},
                                           MissingEntry{"without_set_operator", true, 1}),
                         [](const auto& info) { return std::string(info.param.m_variant); });

TEST_F(MigemoLoadingTest, DeleteClosesAndUnloadsOnceTheLastSearchEnds) {
    Place(Fake("full"), L"migemo.dll");
    auto held = GetMigemo();
    ASSERT_TRUE(held->Query(L"ab"));
    DeleteProcessMigemo();
    // A search still holding the adapter keeps its module and Migemo object.
    EXPECT_TRUE(IsLoaded(L"migemo.dll"));
    EXPECT_EQ(held->Query(L"ab"), L"(fake-ab|a|b)");
    EXPECT_EQ(CallsOf(L"migemo.dll").m_closes, 0);
    held.reset();
    EXPECT_FALSE(IsLoaded(L"migemo.dll"));

    // Loaded and opened afresh: the fake's counts start again from zero.
    EXPECT_TRUE(GetMigemo()->Query(L"ab"));
    EXPECT_EQ(CallsOf(L"migemo.dll").m_opens, 1);
    EXPECT_EQ(CallsOf(L"migemo.dll").m_queries, 1);
}

TEST_F(MigemoLoadingTest, AdaptersOfOldAndNewLoadsKeepTheirOwnModuleReference) {
    Place(Fake("full"), L"migemo.dll");
    auto old = GetMigemo();
    DeleteProcessMigemo();
    auto current = GetMigemo();
    ASSERT_NE(old, current);
    current.reset();
    DeleteProcessMigemo();
    EXPECT_TRUE(IsLoaded(L"migemo.dll"));
    EXPECT_TRUE(old->Query(L"xy"));
    old.reset();
    EXPECT_FALSE(IsLoaded(L"migemo.dll"));
}

// A library whose dictionary does not open: the real one without its dictionary (it would still
// answer each query with the query's own letters), or a fake, lacking migemo_open_w, in a folder
// whose cp932 path could overrun the 260-byte buffers of such builds (it is never handed the
// path). Romaji search is off, with one trace however many adapters the process makes.
TEST_F(MigemoLoadingTest, ADictionaryThatDoesNotOpenTurnsRomajiOffWithOneTrace) {
    const fs::path deep = m_dir.Path() / HostileFolderNames()[0];
    fs::create_directories(deep);
    fs::copy_file(Fake("full"), deep / L"migemo.dll");
    Place(RealMigemoLibrary(), L"migemo.dll");
    for (const fs::path& dir : {m_dir.Path(), deep}) {
        Traces.clear();
        const TraceSink previous = SetTraceSink(Capture);
        SetProcessLibraryDir(dir.wstring());
        for (int adapter = 0; adapter < 3; ++adapter) {
            DeleteProcessMigemo();
            EXPECT_EQ(GetMigemo()->Query(L"kensaku"), std::nullopt);
        }
        SetTraceSink(previous);
        ASSERT_EQ(Traces.size(), 1u);
        EXPECT_NE(Traces[0].find(L"Migemo"), std::wstring::npos);
    }
    const auto calls = reinterpret_cast<FakeMigemoCallsProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW((deep / L"migemo.dll").c_str()), "fake_migemo_calls")));
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(calls()->m_opens, 0);
}

// Attaching makes the adapter ready off the window's thread, before any key: the first romaji key
// does not wait for the library and its dictionary. It serves every window of the process until
// the last one detaches.
TEST_F(MigemoLoadingTest, AttachingLoadsTheLibraryAndTheLastDetachDropsIt) {
    Place(Fake("full"), L"migemo.dll");
    CTestListView first({L"alpha"});
    CTestListView second({L"beta"});
    EXPECT_FALSE(IsLoaded(L"migemo.dll"));
    ASSERT_EQ(AttachWindow(first.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    EXPECT_TRUE(PumpUntil([&] { return IsLoaded(L"migemo.dll"); }));
    EXPECT_TRUE(PumpUntil([&] { return CallsOf(L"migemo.dll").m_opens == 1; }));
    ASSERT_EQ(AttachWindow(second.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    const CMigemo* adapter = GetMigemo().get();
    DetachWindow(first.List());
    EXPECT_EQ(GetMigemo().get(), adapter);
    EXPECT_EQ(CallsOf(L"migemo.dll").m_opens, 1);
    DetachWindow(second.List());
    EXPECT_TRUE(PumpUntil([&] { return !IsLoaded(L"migemo.dll"); }));
}

// The worker that readies the adapter may run only after the window has gone again: it must not
// leave the library and its dictionary loaded in a process without attached windows.
TEST_F(MigemoLoadingTest, AWindowThatDetachesAtOnceLeavesNothingLoaded) {
    Place(Fake("full"), L"migemo.dll");
    for (int round = 0; round < 10; ++round) {
        CTestListView view({L"alpha"});
        ASSERT_EQ(AttachWindow(view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
        DetachWindow(view.List());
    }
    PumpMessagesFor(500);
    EXPECT_FALSE(IsLoaded(L"migemo.dll"));
}

// Any process that maps the library can write the shared block: a directory planted there is
// never where a process loads code from. The library comes from beside this module.
TEST_F(MigemoLoadingTest, ADirectoryPlantedInTheSharedBlockIsNeverLoadedFrom) {
    CSettingsGuard settings;
    Place(Fake("full"), L"migemo.dll");
    ASSERT_TRUE(StoreLibraryDir(m_dir.Path().wstring()));
    SetProcessLibraryDir(L"");
    CTestListView view({L"\u691c\u7d22.txt"});
    ASSERT_EQ(AttachWindow(view.List(), WM_HOOK_ATTACH_LISTVIEW), 1);
    const std::shared_ptr<CMigemo> migemo = GetMigemo();
    EXPECT_TRUE(BuildMigemoPattern(migemo.get(), L"kensaku", false).Search(L"\u691c\u7d22.txt"));
    EXPECT_FALSE(IsLoaded(L"migemo.dll"));
    DetachWindow(view.List());
}

} // namespace
