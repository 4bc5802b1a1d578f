// The patched Migemo library natively: the cases its fuzzer found or its limits promise, and a
// short fixed-seed run of the fuzzer, each on a thread of a 1 MB stack as the host's workers.
#include <gtest/gtest.h>

#include <chrono>

#include "DictionaryGenerator.h"
#include "MigemoProbe.h"

// The library's debug counters (wordlist.h, mnode.h, rxgen.h).
extern "C" unsigned int n_wordlist_total, n_mnode_new, n_rnode_new;

namespace {

std::filesystem::path CaseDir(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("skimvue-cmigemo-" + name);
}

DictionarySet DictOnly(std::string dict) {
    DictionarySet set;
    set.m_files.push_back({"migemo-dict", std::move(dict)});
    for (const DictionaryFile& table : RealTables()) {
        set.m_files.push_back(table);
    }
    return set;
}

// 4-byte UTF-8 sequences, all different: a dictionary in UTF-8 gives one sibling in the
// expression's tree for each.
std::string Utf8Words(size_t count) {
    std::string words;
    for (size_t i = 0; i < count; ++i) {
        words += '\t';
        words += static_cast<char>(0xf0 + (i >> 18 & 0x3));
        words += static_cast<char>(0x90 + (i >> 12 & 0x2f));
        words += static_cast<char>(0x80 + (i >> 6 & 0x3f));
        words += static_cast<char>(0x80 + (i & 0x3f));
    }
    return words;
}

struct DictCase {
    const char* m_name;
    std::string m_dict;
    bool m_opens;
    std::string m_query;
    bool m_answers;
};

TEST(CMigemo_Load, HostileDictionariesOpenOrAreRefusedWithoutFault) {
    const std::string atLimit(kMigemoEntryMaxBytes, 'a');
    const DictCase cases[] = {
        {"label of a NUL byte first", std::string("\0a\tword\n", 8), false, "a", true},
        {"label at the entry limit", atLimit + "\t\x8a\xbf\n", true, atLimit, true},
        {"label over the entry limit", atLimit + "a\t\x8a\xbf\n", false, "a", true},
        {"word over the entry limit", "ka\t" + std::string(kMigemoEntryMaxBytes + 2, '\x88') + "\n",
         false, "ka", true},
        {"label without words at the end", "ka", true, "ka", true},
        {"lead byte last", "ka\t\x8a\n\x81", true, "k\x81", true},
        {"twenty thousand siblings", "ka" + Utf8Words(20000) + "\n", true, "ka", true},
    };
    for (const DictCase& item : cases) {
        RunOnThreadOf1MB([&] {
            const ProbeResult result =
                ProbeSet(CaseDir("load"), DictOnly(item.m_dict), {item.m_query});
            EXPECT_EQ(result.m_opened, item.m_opens) << item.m_name;
            EXPECT_EQ(result.m_answers, item.m_answers ? 1u : 0u) << item.m_name;
        });
    }
    EXPECT_FALSE(LeaksFound());
}

// Each word was looked up among its siblings one by one: two hundred thousand different words
// under one label took half a minute per query (natively, a minute per million more bytes).
TEST(CMigemo_Query, AQueryOfHundredsOfThousandsOfWordsEndsSoon) {
    const auto start = std::chrono::steady_clock::now();
    const ProbeResult result =
        ProbeSet(CaseDir("siblings"), DictOnly("ka" + Utf8Words(200000) + "\n"), {"ka"});
    EXPECT_EQ(result.m_answers, 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The debug counters count over the process's life: as int they overflowed (undefined behaviour)
// once a process had loaded about 2 GB of words, as the hour-long fuzzer run did.
TEST(CMigemo_Load, DebugCountersWrapAtTheirLimit) {
    n_wordlist_total = n_mnode_new = n_rnode_new = 0x7fffffffu; // INT_MAX
    EXPECT_TRUE(ProbeSet(CaseDir("counters"), DictOnly("ka\t\x8a\xbf\x8e\x9a\n"), {"ka"}).m_opened);
}

TEST(CMigemo_Load, DictionaryOverTheSizeLimitIsRefused) {
    const std::string line = "ka\t\x8a\xbf\n";
    std::string dict;
    while (dict.size() + line.size() <= kMigemoDictMaxBytes) {
        dict += line;
    }
    EXPECT_TRUE(ProbeSet(CaseDir("size"), DictOnly(dict), {}).m_opened);
    dict += std::string(kMigemoDictMaxBytes + 1 - dict.size(), ';');
    EXPECT_FALSE(ProbeSet(CaseDir("size"), DictOnly(dict), {}).m_opened);
}

// The empty query was read past its end.
TEST(CMigemo_Query, QueriesEmptyOrOverTheLimitGetNoAnswer) {
    const ProbeResult result = ProbeSet(
        CaseDir("query"), DictOnly("ka\t\x8a\xbf\n"),
        {"", std::string(kMigemoQueryMaxBytes, 'k'), std::string(kMigemoQueryMaxBytes + 1, 'k')});
    EXPECT_EQ(result.m_answers, 1u);
}

// A table turning each letter into 200 bytes made words deep enough to overflow the stack.
TEST(CMigemo_Query, LengtheningTablesStayWithinTheStack) {
    DictionarySet set = DictOnly("ka\t\x8a\xbf\n");
    set.m_files[1].m_bytes = "k " + std::string(200, 'x') + "\n";
    RunOnThreadOf1MB([&] {
        EXPECT_EQ(ProbeSet(CaseDir("lengthening"), set, {std::string(kMigemoQueryMaxBytes, 'k')})
                      .m_answers,
                  1u);
    });
}

// Natively the library's path buffers were 1024 bytes: a longer folder overflowed them.
TEST(CMigemo_Paths, DictionaryInAFolderOfAnyLengthOpens) {
    std::filesystem::path dir = CaseDir("paths");
    while (dir.native().size() < 1500) {
        dir /= std::string(200, 'd');
    }
    const ProbeResult result = ProbeSet(dir, DictOnly("kanji\t\x8a\xbf\x8e\x9a\n"), {"kanji"});
    std::filesystem::remove_all(CaseDir("paths"));
    EXPECT_TRUE(result.m_opened);
    EXPECT_EQ(result.m_answers, 1u);
}

TEST(CMigemo_Fuzz, FixedSeedSetsOpenAsTheyMustWithoutFault) {
    size_t opened = 0;
    size_t refused = 0;
    RunOnThreadOf1MB([&] {
        CDictionaryGenerator generator(20261210, RealDictionaryLines(), RealTables());
        for (int i = 0; i < 150; ++i) {
            const DictionarySet set = generator.Next();
            std::vector<std::string> queries;
            for (int q = 0; q < 8; ++q) {
                queries.push_back(generator.Query());
            }
            const ProbeResult result = ProbeSet(CaseDir("fuzz"), set, queries);
            if (set.m_mustOpen) {
                EXPECT_EQ(result.m_opened, *set.m_mustOpen) << "set " << i << ": " << set.m_kind;
            }
            (result.m_opened ? opened : refused) += 1;
        }
    });
    std::filesystem::remove_all(CaseDir("fuzz"));
    EXPECT_FALSE(LeaksFound());
    // The run reaches both sides of the loader.
    EXPECT_GT(opened, 0u);
    EXPECT_GT(refused, 0u);
}

} // namespace
