#include "hook/WindowIdentity.h"

#include <gtest/gtest.h>

#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "support/UniqueHandle.h"

namespace {

// The end-to-end target program of the build in binDir, ended with the object.
class CTargetProgram {
  public:
    CTargetProgram(const std::wstring& binDir, const std::wstring& title) {
        std::wstring line = L"\"" + binDir + L"\\skimvue_target.exe\" --title \"" + title + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            binDir.c_str(), &startup, &info)) {
            return;
        }
        m_process.reset(info.hProcess);
        CloseHandle(info.hThread);
        PumpUntil([&] { return (m_frame = FindWindowW(nullptr, title.c_str())) != nullptr; },
                  10000);
    }
    ~CTargetProgram() {
        if (m_process) {
            TerminateProcess(m_process.get(), 0);
            WaitForSingleObject(m_process.get(), 5000);
        }
    }
    CTargetProgram(const CTargetProgram&) = delete;
    CTargetProgram& operator=(const CTargetProgram&) = delete;
    HWND List() const { return m_frame ? GetWindow(m_frame, GW_CHILD) : nullptr; }

  private:
    unique_handle m_process;
    HWND m_frame = nullptr;
};

TEST(WindowIdentity, ProgramsOfEitherWordSizeAreNamedAndOnlyTheOtherIsForeign) {
    const std::wstring otherBin = SKIMVUE_OTHER_BIN_DIR;
    if (GetFileAttributesW((otherBin + L"\\skimvue_target.exe").c_str()) ==
        INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "the other word size is not built";
    }
    const CTargetProgram other(otherBin, L"identity other word size");
    if (other.List() == nullptr) {
        GTEST_SKIP() << "this machine cannot run programs of the other word size";
    }
    const CTargetProgram own(BinDir(), L"identity own word size");
    ASSERT_NE(own.List(), nullptr);

    EXPECT_EQ(ReadExeName(other.List()), L"skimvue_target.exe");
    EXPECT_FALSE(HasOwnWordSize(other.List()));
    EXPECT_EQ(ReadExeName(own.List()), L"skimvue_target.exe");
    EXPECT_TRUE(HasOwnWordSize(own.List()));
}

TEST(WindowIdentity, AWindowThatIsGoneHasNoNameAndIsNotCountedForeign) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    EXPECT_TRUE(HasOwnWordSize(window));
    DestroyWindow(window);
    EXPECT_EQ(ReadExeName(window), L"");
    EXPECT_TRUE(HasOwnWordSize(window));
    EXPECT_TRUE(HasOwnWordSize(nullptr));
}

} // namespace
