#include "settings/SharedBlock.h"

#include <gtest/gtest.h>

#include "harness/WinTestSupport.h"
#include "support/UniqueHandle.h"

namespace {

// The library file itself, loaded as any process loads it.
class SharedBlockSection : public ::testing::Test {
  protected:
    void SetUp() override {
        m_module.reset(LoadLibraryW(LibraryPath().c_str()));
        ASSERT_TRUE(m_module);
        m_section = FindSection(m_module.get(), kSharedSectionName);
        ASSERT_NE(m_section.m_address, nullptr);
        m_block = static_cast<SharedBlock*>(m_section.m_address);
        m_saved = *m_block;
    }
    void TearDown() override {
        *m_block = m_saved;
        m_module.reset();
    }
    std::string ProbeRead(const std::wstring& probe, const std::wstring& dll) const {
        const ProcessResult result = RunProcess(L"\"" + probe + L"\" shared-read \"" + dll + L"\"");
        return result.m_started && result.m_exitCode == 0 ? result.m_output : "not run";
    }

    unique_hmodule m_module;
    SectionView m_section;
    SharedBlock* m_block = nullptr;
    SharedBlock m_saved{};
};

TEST_F(SharedBlockSection, IsReadWriteSharedAndHoldsTheBlock) {
    const DWORD wanted = IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_SHARED;
    EXPECT_EQ(m_section.m_characteristics & wanted, wanted);
    EXPECT_GE(m_section.m_size, sizeof(SharedBlock));
}

TEST_F(SharedBlockSection, StartsWithTheDefaults) {
    EXPECT_EQ(m_block->EnableLength, 3);
    EXPECT_EQ(m_block->InputInterval, 2000u);
    EXPECT_EQ(m_block->KeyBind_Next, 0x1004Eu);
    EXPECT_EQ(m_block->KeyBind_Input, 0x10049u);
    EXPECT_EQ(m_block->ToolTipAutoPopDelay, 2000);
    EXPECT_EQ(m_block->LibraryModule, static_cast<void*>(m_module.get()));
}

TEST_F(SharedBlockSection, OneCopyForTwoProcesses) {
    m_block->EnableLength = 4242;
    EXPECT_EQ(ProbeRead(ProbePath(), LibraryPath()), "4242\r\n");

    const ProcessResult write =
        RunProcess(L"\"" + ProbePath() + L"\" shared-write \"" + LibraryPath() + L"\" 777");
    ASSERT_EQ(write.m_exitCode, 0u);
    EXPECT_EQ(m_block->EnableLength, 777);
}

TEST_F(SharedBlockSection, OtherWordSizeHasItsOwnBlock) {
    const std::wstring otherBin = SKIMVUE_OTHER_BIN_DIR;
    const std::wstring otherProbe = otherBin + L"\\skimvue_probe.exe";
    const std::wstring otherDll =
        otherBin + (SKIMVUE_BITS == 64 ? L"\\Skimvue.dll" : L"\\Skimvue64.dll");
    if (GetFileAttributesW(otherProbe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "the other word size is not built";
    }
    m_block->EnableLength = 4242;
    const ProcessResult result =
        RunProcess(L"\"" + otherProbe + L"\" shared-read \"" + otherDll + L"\"");
    if (!result.m_started) {
        GTEST_SKIP() << "this machine cannot run programs of the other word size";
    }
    EXPECT_EQ(result.m_output, "3\r\n");
}

} // namespace
