#include "support/Failure.h"

#include <gtest/gtest.h>

#include <objidl.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/FailureReport.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace {

HRESULT Answer(HRESULT hr) {
    return hr;
}

struct CAnswerer {
    HRESULT Answer(HRESULT hr) const { return hr; }
};

// A Win32 call that fails without telling why.
BOOL FailsSilently() {
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

struct CheckCase {
    std::function<void()> m_check;
    HRESULT m_code;
    const char* m_text;
    const char* m_call;
};

TEST(Failure, EachCheckCarriesTheCodeTheCallAsWrittenAndThePlace) {
    const CheckCase cases[] = {
        {[] { SKIMVUE_CHECK_HR(Answer(E_ACCESSDENIED)); }, E_ACCESSDENIED, "failed: Answer",
         "Answer(E_ACCESSDENIED)"},
        {[] {
             const CAnswerer answerer;
             SKIMVUE_CHECK_HR_OF(&answerer, Answer, E_NOINTERFACE);
         },
         E_NOINTERFACE, "failed: Answer", "&answerer->Answer(E_NOINTERFACE)"},
        {[] { SKIMVUE_CHECK_WIN32(DeleteFileW(L"C:\\skimvue-no-such-file")); },
         HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "failed: DeleteFileW",
         "DeleteFileW(L\"C:\\\\skimvue-no-such-file\")"},
        {[] { SKIMVUE_CHECK_WIN32(OpenEventW(EVENT_ALL_ACCESS, FALSE, L"skimvue-no-such-event")); },
         HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "failed: OpenEventW",
         "OpenEventW(EVENT_ALL_ACCESS, FALSE, L\"skimvue-no-such-event\")"},
        {[] { SKIMVUE_CHECK_WIN32(FailsSilently()); }, E_FAIL, "failed: FailsSilently",
         "FailsSilently()"},
        {[] {
             void* psw = nullptr;
             SKIMVUE_CHECK_NOT_NULL(psw);
         },
         E_POINTER, "failed: psw NULL", "psw"},
        {[] {
             const int count = 1;
             SKIMVUE_CHECK(count == 2);
         },
         E_UNEXPECTED, "failed: count == 2", "count == 2"},
        {[] {
             ComPtr<IStream> stream;
             CreateStreamOnHGlobal(nullptr, TRUE, &stream);
             ComPtr<IPersistFile> file;
             SKIMVUE_CHECK_QUERY(stream, IPersistFile, file);
         },
         E_NOINTERFACE, "failed: query interface of IPersistFile",
         "stream->QueryInterface(IPersistFile)"},
    };
    int previousLine = 0;
    for (const CheckCase& c : cases) {
        try {
            c.m_check();
            ADD_FAILURE() << c.m_call << " did not fail";
        } catch (const CFailure& failure) {
            EXPECT_EQ(failure.Code(), c.m_code) << c.m_call;
            EXPECT_STREQ(failure.what(), c.m_text);
            EXPECT_STREQ(failure.Call(), c.m_call);
            EXPECT_STREQ(failure.File(), "Failure_test.cpp");
            // Each row's check is further down than the one before.
            EXPECT_GT(failure.Line(), previousLine) << c.m_call;
            previousLine = failure.Line();
        }
    }
}

TEST(Failure, ChecksThatHoldGiveTheAnswerBack) {
    const unique_handle event(SKIMVUE_CHECK_WIN32(CreateEventW(nullptr, TRUE, FALSE, nullptr)));
    EXPECT_TRUE(event);
    int value = 5;
    EXPECT_EQ(SKIMVUE_CHECK_NOT_NULL(&value), &value);
    ComPtr<IStream> stream;
    SKIMVUE_CHECK_HR(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ComPtr<IUnknown> unknown;
    SKIMVUE_CHECK_QUERY(stream, IUnknown, unknown);
    EXPECT_TRUE(unknown);
}

TEST(Failure, ALongCallIsCutInItsText) {
    constexpr bool kNo = false;
    try {
        SKIMVUE_CHECK(kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo &&
                      kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo && kNo);
        ADD_FAILURE();
    } catch (const CFailure& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("failed: kNo && kNo", 0), 0u);
        EXPECT_EQ(std::string(failure.what()).size(), 127u);
    }
}

std::vector<std::wstring> Traces;

void Capture(const wchar_t* text) {
    Traces.emplace_back(text);
}

class FailureReport : public ::testing::Test {
  protected:
    void SetUp() override {
        Traces.clear();
        ForgetReportedFailures();
        m_previous = SetTraceSink(Capture);
    }
    void TearDown() override {
        SetTraceSink(m_previous);
        ForgetReportedFailures();
    }

    // Reports a failed check as an operation's failure path does.
    static bool ReportFailedCall(const void* subject, FailureAudience audience) {
        try {
            SKIMVUE_CHECK_HR(Answer(E_OUTOFMEMORY));
        } catch (...) {
            return ReportCaughtFailure(L"Reader", subject, audience);
        }
        return false;
    }

    TraceSink m_previous = nullptr;
};

TEST_F(FailureReport, TheTraceCarriesTheCallTheCodeAndThePlace) {
    const int line = __LINE__ + 1;
    Barrier(L"Entry", [] { SKIMVUE_CHECK_HR(Answer(E_ACCESSDENIED)); });
    ASSERT_EQ(Traces.size(), 1u);
    EXPECT_EQ(Traces[0], L"Skimvue: Entry failed: Answer(E_ACCESSDENIED), 0x80070005, "
                         L"Failure_test.cpp:" +
                             std::to_wstring(line) + L"\n");
    Barrier(L"Entry", [] { SKIMVUE_CHECK_NOT_NULL(static_cast<void*>(nullptr)); });
    ASSERT_EQ(Traces.size(), 2u);
    EXPECT_EQ(
        Traces[1].find(L"Skimvue: Entry failed: static_cast<void*>(nullptr) NULL, 0x80004003"), 0u);
}

// The same subject reports once a minute, whatever the audience; another subject at once.
TEST_F(FailureReport, AFailedCallReachesTheEventLogOnlyForTheUserAndOncePerSubject) {
    int first = 0;
    int second = 0;
    EXPECT_TRUE(ReportFailedCall(&first, FailureAudience::User));
    EXPECT_FALSE(ReportFailedCall(&first, FailureAudience::User));
    EXPECT_FALSE(ReportFailedCall(&first, FailureAudience::Developer));
    EXPECT_EQ(Traces.size(), 1u);
    EXPECT_FALSE(ReportFailedCall(&second, FailureAudience::Developer));
    EXPECT_EQ(Traces.size(), 2u);
    ForgetReportedFailures();
    EXPECT_TRUE(ReportFailedCall(&second, FailureAudience::User));
    EXPECT_EQ(Traces.size(), 3u);
    EXPECT_EQ(Traces[2].find(L"Skimvue: Reader failed: Answer(E_OUTOFMEMORY), 0x8007000E"), 0u);
}

// Only failed calls are the user's business; a fault of the library's own is traced.
TEST_F(FailureReport, AnythingElseGivesTheFallbackAndIsOnlyTraced) {
    EXPECT_EQ(ReportingBarrier(L"Reader", nullptr, FailureAudience::User, -1,
                               []() -> int { throw std::length_error("no room"); }),
              -1);
    try {
        throw std::length_error("no room");
    } catch (...) {
        EXPECT_FALSE(ReportCaughtFailure(L"Reader", &Traces, FailureAudience::User));
    }
    ASSERT_EQ(Traces.size(), 2u);
    EXPECT_EQ(Traces[1], L"Skimvue: Reader failed: no room\n");
}

} // namespace
