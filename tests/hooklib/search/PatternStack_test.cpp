// The search runs on the host's window thread, whose stack is often the 1 MB a Windows program's
// threads get by default, and partly used already when a key arrives: no text may take the
// search deeper than what is left of it. Each case runs on a thread of a 1 MB stack, a part of
// which is taken first; a stack overflow there ends the test program.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "search/Pattern.h"
#include "search/SearchRun.h"
#include "support/UniqueHandle.h"

namespace {

struct Job {
    size_t m_used;
    std::function<void()> m_work;
};

// Takes about bytes of the stack, then does the job.
[[gnu::noinline]] void Descend(size_t bytes, Job& job) {
    volatile char frame[4096];
    frame[0] = 0;
    if (bytes > sizeof(frame)) {
        Descend(bytes - sizeof(frame), job);
    } else {
        job.m_work();
    }
    frame[1] = frame[0];
}

DWORD WINAPI RunJob(void* argument) {
    Job& job = *static_cast<Job*>(argument);
    Descend(job.m_used, job);
    return 0;
}

// Runs work on a new thread of a 1 MB stack after taking used bytes of it.
void OnThreadOf1MB(size_t used, std::function<void()> work) {
    Job job{used, std::move(work)};
    const unique_handle thread(
        CreateThread(nullptr, 1 << 20, RunJob, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread.get(), &code);
    EXPECT_EQ(code, 0u);
}

std::wstring Nested(size_t depth, const std::wstring& open, const std::wstring& core,
                    const std::wstring& close) {
    std::wstring text;
    for (size_t i = 0; i < depth; ++i) {
        text += open;
    }
    text += core;
    for (size_t i = 0; i < depth; ++i) {
        text += close;
    }
    return text;
}

// A search of 200 names of length characters with text, as the search run makes it.
size_t Matches(const std::wstring& text, size_t length = 259) {
    const CNameList names(ItemNames(200, std::wstring(length - 1, L'a') + L"b"));
    std::vector<Candidate> candidates;
    MatchedSet matched(names.size(), false);
    MatchItems(names, candidates, nullptr, text, matched, PlainOnly);
    return candidates.size();
}

// Texts whose recursion runs deepest: nesting as deep as the parser takes (our engine), the
// nesting of 101 groups that once overflowed the library, and back-references and lookahead
// (the library) whose recursion goes once round a loop per character of the name.
const std::wstring kDeepTexts[] = {
    Nested(101, L"(", L"a", L")") + L"*b",
    Nested(128, L"(", L"a", L")*"),
    Nested(64, L"(?:", L"a*", L")*") + L"b",
    L"(?:(a))*b\\1",
    L"(a|b|c)*\\1",
    L"(?:(?=a)a)*b",
    L"(.*)\\1b",
    Nested(60, L"(", L"(?=a)a", L")") + L"\\1",
};

TEST(PatternStack, DeepTextsOnAFreshThreadOf1MB) {
    for (const std::wstring& text : kDeepTexts) {
        OnThreadOf1MB(0, [&] { Matches(text); });
    }
}

// With most of the stack taken, the library's recursion is cut off earlier and a text whose
// compiling would need more than is left is not compiled: no match, but no overflow.
TEST(PatternStack, DeepTextsWithMostOfTheStackTaken) {
    for (const size_t used : {512u << 10, 768u << 10, 896u << 10}) {
        for (const std::wstring& text : kDeepTexts) {
            OnThreadOf1MB(used, [&] { Matches(text); });
        }
    }
}

// What the deep texts find on a fresh thread of 1 MB, where they have the stack they need: our
// engine always, the library where its recursion fits in kLibraryStack (a loop over an
// alternative takes it a kilobyte or two a character).
TEST(PatternStack, DeepTextsStillMatchWhereTheStackAllows) {
    size_t nested = 0, backReference = 0;
    OnThreadOf1MB(0, [&] {
        nested = Matches(Nested(101, L"(", L"a", L")") + L"*b");
        backReference = Matches(L"(a|b)*\\1b", 100);
    });
    EXPECT_EQ(nested, 200u);
    EXPECT_EQ(backReference, 200u);
}

} // namespace
