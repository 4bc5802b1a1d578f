#include "Corpus.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct UniqueCase {
    const char* m_what;
    std::vector<std::wstring> m_names;
    std::vector<std::wstring> m_expected;
};

TEST(UniqueFileNames, NumbersNamesMetAgainBeforeTheirExtension) {
    const UniqueCase cases[] = {
        {"distinct names stay", {L"a.txt", L"b.txt"}, {L"a.txt", L"b.txt"}},
        {"each repeat gets the next number",
         {L"a.txt", L"a.txt", L"b.md", L"a.txt"},
         {L"a.txt", L"a (2).txt", L"b.md", L"a (3).txt"}},
        {"letter case aside", {L"Readme.md", L"README.md"}, {L"Readme.md", L"README (2).md"}},
        {"the last dot starts the extension",
         {L"x.tar.gz", L"x.tar.gz"},
         {L"x.tar.gz", L"x.tar (2).gz"}},
        {"a name without extension", {L"notes", L"notes"}, {L"notes", L"notes (2)"}},
        {"a number already taken is passed over",
         {L"a (2).txt", L"a.txt", L"a.txt"},
         {L"a (2).txt", L"a.txt", L"a (3).txt"}},
    };
    for (const UniqueCase& c : cases) {
        EXPECT_EQ(UniqueFileNames(c.m_names), c.m_expected) << c.m_what;
    }
}

// The benchmark's folders hold the corpus's names as files: none may collide.
TEST(UniqueFileNames, TheCorpusFitsOneFolder) {
    const std::vector<std::wstring> names = UniqueFileNames(CCorpus().Names(100000));
    std::set<std::wstring> folded;
    for (std::wstring name : names) {
        for (wchar_t& c : name) {
            c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
        }
        folded.insert(name);
    }
    EXPECT_EQ(folded.size(), 100000u);
}

} // namespace
