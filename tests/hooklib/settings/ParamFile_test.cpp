#include "settings/ParamFile.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>

#include "harness/SettingsGuard.h"
#include "harness/WinTestSupport.h"
#include "support/ModuleVersion.h"
#include "support/UniqueHandle.h"

namespace {

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return path;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The bytes of a file in the form a save writes: UTF-16 LE after its byte-order mark.
std::string Utf16File(const std::wstring& text) {
    const std::wstring withMark = L"\xFEFF" + text;
    return std::string(reinterpret_cast<const char*>(withMark.data()),
                       withMark.size() * sizeof(wchar_t));
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The settings file of this test program: the library code takes its own module's name.
class ParamFile : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = GetParamFilePath();
        m_temporary = m_path + L".saving";
        TearDown();
    }
    // Also what a failed case may have left where a save puts its temporary file.
    void TearDown() override {
        for (const std::wstring& path : {m_path, m_temporary}) {
            DeleteFileW(path.c_str());
            RemoveDirectoryW(path.c_str());
        }
        Flush();
    }
    // Drops the system's cached copy, so a file written behind its back is read afresh.
    void Flush() const { WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_path.c_str()); }
    void WriteFile(const std::string& bytes) const {
        WriteFileBytes(m_path, bytes);
        Flush();
    }

    CSettingsGuard m_guard;
    std::wstring m_path;
    std::wstring m_temporary; // the save's temporary file beside m_path
};

TEST_F(ParamFile, LiesBesideTheModuleWithTheIniExtension) {
    const std::wstring module = GetModulePath();
    EXPECT_EQ(m_path, module.substr(0, module.rfind(L'.')) + L".ini");
}

TEST_F(ParamFile, DefaultSaveWritesTheExactText) {
    ExchangeParamFile(true);
    EXPECT_EQ(ReadFileBytes(m_path), Utf16File(L"[General]\r\n"
                                               L"EnableLength=3\r\n"
                                               L"InputInterval=2000\r\n"
                                               L"DisableIme=0\r\n"
                                               L"KeyBind_Next=Alt+N\r\n"
                                               L"KeyBind_Back=Alt+B\r\n"
                                               L"KeyBind_SelAll=Alt+S\r\n"
                                               L"KeyBind_Input=Alt+I\r\n"
                                               L"ShowToolTip=0\r\n"
                                               L"ToolTipAutoPopDelay=2000\r\n"
                                               L"PriorForwardMatch=0\r\n"
                                               L"SwitchMigemoByShift=0\r\n"
                                               L"EnableOnExplorer=1\r\n"
                                               L"EnableOnListView=0\r\n"
                                               L"EnableOnFileDialog=0\r\n"
                                               L"FileDialogExcludeExeNames=\r\n"
                                               L"NumberOfTargetListView=0\r\n"));
}

TEST_F(ParamFile, LoadReadsEveryKeyOfAHandWrittenFile) {
    WriteFile("[General]\r\nEnableLength=4\r\nInputInterval=900\r\nDisableIme=1\r\n"
              "KeyBind_Next=Ctrl+N\r\nKeyBind_Back=Ctrl+;\r\nKeyBind_SelAll=Alt+A\r\n"
              "KeyBind_Input=Alt+/\r\nShowToolTip=1\r\nToolTipAutoPopDelay=0\r\n"
              "PriorForwardMatch=1\r\nSwitchMigemoByShift=1\r\nEnableOnExplorer=0\r\n"
              "EnableOnListView=1\r\nNumberOfTargetListView=1\r\n"
              "TargetListView[0].ClsName=SysListView32\r\nTargetListView[0].ExeName=demo.exe\r\n"
              "TargetListView[0].RootClsName=DemoRoot\r\nTargetListView[0].RootOwnerClsName=*\r\n");
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 4);
    EXPECT_EQ(Shared.InputInterval, 900u);
    EXPECT_EQ(Shared.DisableIme, 1);
    EXPECT_EQ(Shared.KeyBind_Next, KEYBIND_CTRL | L'N');
    EXPECT_EQ(Shared.KeyBind_Back, 0x2003Bu);
    EXPECT_EQ(Shared.KeyBind_SelAll, KEYBIND_ALT | L'A');
    EXPECT_EQ(Shared.KeyBind_Input, KEYBIND_ALT | L'/');
    EXPECT_EQ(Shared.ShowToolTip, 1);
    EXPECT_EQ(Shared.ToolTipAutoPopDelay, 0);
    EXPECT_EQ(Shared.PriorForwardMatch, 1);
    EXPECT_EQ(Shared.SwitchMigemoByShift, 1);
    EXPECT_EQ(EnableOnExplorer, 0);
    EXPECT_EQ(EnableOnListView, 1);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].ClsName, L"SysListView32");
    EXPECT_STREQ(TargetListViews[0].ExeName, L"demo.exe");
    EXPECT_STREQ(TargetListViews[0].RootClsName, L"DemoRoot");
    EXPECT_STREQ(TargetListViews[0].RootOwnerClsName, L"*");
}

// Names outside the ANSI code page (Greek under code page 932), and a surrogate pair.
TEST_F(ParamFile, AnyExecutableNameSurvivesSaveAndLoad) {
    for (const wchar_t* name :
         {L"\u300c\u30e1\u30e2\u5e33.exe\u300d",
          L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.exe", L"\U00020BB7\u91ce\u5bb6.exe"}) {
        TargetListView rule{};
        wcscpy(rule.ClsName, L"SysListView32");
        wcscpy(rule.ExeName, name);
        wcscpy(rule.RootClsName, L"*");
        wcscpy(rule.RootOwnerClsName, L"*");
        TargetListViews = {rule};
        NumberOfTargetListView = 1;
        ExchangeParamFile(true);
        TargetListViews.clear();
        ExchangeParamFile(false);
        ASSERT_EQ(TargetListViews.size(), 1u) << ToUtf8(name);
        EXPECT_STREQ(TargetListViews[0].ExeName, name) << ToUtf8(name);
    }
}

// A file an earlier version wrote, in the ANSI code page (932 in this Wine prefix).
TEST_F(ParamFile, AFileOfTheOldAnsiFormStillLoads) {
    ASSERT_EQ(GetACP(), 932u);
    WriteFile("[General]\r\nEnableLength=4\r\nNumberOfTargetListView=1\r\n"
              "TargetListView[0].ClsName=SysListView32\r\n"
              "TargetListView[0].ExeName=\x83\x81\x83\x82\x92\xa0.exe\r\n"
              "TargetListView[0].RootClsName=*\r\nTargetListView[0].RootOwnerClsName=*\r\n");
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 4);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].ExeName, L"\u30e1\u30e2\u5e33.exe");
}

// A save that cannot complete leaves the old file as it was and no temporary file: the
// temporary's name taken by a folder (it cannot be written), or the old file held open by a
// program that shares nothing (it cannot be replaced).
TEST_F(ParamFile, ASaveThatFailsLeavesTheOldFileWhole) {
    const std::string old = "[General]\r\nEnableLength=5\r\n";
    const std::wstring& temporary = m_temporary;
    for (const bool folderInTheWay : {true, false}) {
        WriteFile(old);
        if (folderInTheWay) {
            ASSERT_TRUE(CreateDirectoryW(temporary.c_str(), nullptr));
        }
        {
            const unique_handle holder(folderInTheWay
                                           ? nullptr
                                           : CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr,
                                                         OPEN_EXISTING, 0, nullptr));
            ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE);
            Shared.EnableLength = 9;
            ExchangeParamFile(true);
        }
        RemoveDirectoryW(temporary.c_str());
        EXPECT_EQ(ReadFileBytes(m_path), old) << folderInTheWay;
        EXPECT_FALSE(Exists(temporary)) << folderInTheWay;
    }
}

// What a save cut off by the end of the process leaves: the old file and a temporary one that
// loading never reads and the next save replaces.
TEST_F(ParamFile, ATemporaryFileLeftBehindIsNeverRead) {
    const std::wstring& temporary = m_temporary;
    WriteFile("[General]\r\nEnableLength=5\r\n");
    WriteFileBytes(temporary, "[General]\r\nEnableLength=7\r\nNumberOfTarget");
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 5);
    ExchangeParamFile(true);
    EXPECT_FALSE(Exists(temporary));
    Shared.EnableLength = 3;
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 5);
}

TEST_F(ParamFile, MissingFileKeepsEveryValue) {
    Shared.EnableLength = 6;
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 6);
    EXPECT_EQ(Shared.KeyBind_Next, 0x1004Eu);
    EXPECT_FALSE(Exists(m_path));
}

TEST_F(ParamFile, BinaryGarbageLoadsWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 65536; ++i) {
        garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
    }
    WriteFile(garbage);
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.InputInterval, 2000u);
    EXPECT_EQ(Shared.KeyBind_Input, 0x10049u);
}

TEST_F(ParamFile, LongValuesAreMalformedOrCut) {
    WriteFile(
        "[General]\r\nEnableLength=" + std::string(10000, '7') +
        "\r\nKeyBind_Next=" + std::string(10000, 'x') +
        "\r\nNumberOfTargetListView=1\r\nTargetListView[0].ClsName=" + std::string(10000, 'c') +
        "\r\nTargetListView[0].ExeName=*\r\nTargetListView[0].RootClsName=*\r\n"
        "TargetListView[0].RootOwnerClsName=*\r\n");
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 3);
    EXPECT_EQ(Shared.KeyBind_Next, 0x1004Eu);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_EQ(std::wstring(TargetListViews[0].ClsName), std::wstring(260, L'c'));
}

TEST_F(ParamFile, HugeCountReadsAThousandRulesAtMost) {
    WriteFile("[General]\r\nNumberOfTargetListView=2147483647\r\n");
    ExchangeParamFile(false);
    // At most a thousand rules are read; none is there, and none is made up.
    EXPECT_EQ(NumberOfTargetListView, 0);
    EXPECT_TRUE(TargetListViews.empty());
}

TEST_F(ParamFile, NegativeCountLoadsNoRule) {
    WriteFile("[General]\r\nNumberOfTargetListView=-5\r\nTargetListView[0].ClsName=x\r\n");
    ExchangeParamFile(false);
    EXPECT_EQ(NumberOfTargetListView, 0);
    EXPECT_TRUE(TargetListViews.empty());
}

// A rule missing a field would match every window if the field were read as "*".
TEST_F(ParamFile, FirstOfDuplicateSectionsAndRulesMissingAFieldAreLeftOut) {
    WriteFile("[General]\r\nEnableLength=5\r\nNumberOfTargetListView=3\r\n"
              "TargetListView[0].ClsName=A\r\nTargetListView[1].ExeName=b.exe\r\n"
              "TargetListView[2].ClsName=C\r\nTargetListView[2].ExeName=c.exe\r\n"
              "TargetListView[2].RootClsName=\r\nTargetListView[2].RootOwnerClsName=*\r\n"
              "[General]\r\nEnableLength=8\r\n[Other]\r\nInputInterval=1\r\n");
    ExchangeParamFile(false);
    EXPECT_EQ(Shared.EnableLength, 5);
    EXPECT_EQ(Shared.InputInterval, 2000u);
    EXPECT_EQ(NumberOfTargetListView, 1);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].ClsName, L"C");
    EXPECT_STREQ(TargetListViews[0].RootClsName, L"");
}

TEST_F(ParamFile, LoweredCountLeavesOldRuleKeysUnread) {
    WriteFile("[General]\r\nNumberOfTargetListView=1\r\nTargetListView[0].ClsName=A\r\n"
              "TargetListView[0].ExeName=*\r\nTargetListView[0].RootClsName=*\r\n"
              "TargetListView[0].RootOwnerClsName=*\r\nTargetListView[1].ClsName=stale\r\n"
              "TargetListView[1].ExeName=*\r\nTargetListView[1].RootClsName=*\r\n"
              "TargetListView[1].RootOwnerClsName=*\r\n");
    ExchangeParamFile(false);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].ClsName, L"A");
}

// A library under a protected folder keeps its settings in a per-user copy.
class ParamFileRedirection : public ::testing::Test {
  protected:
    void SetUp() override {
        m_programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
        m_toolDir = m_programFiles + L"\\SkimvueTool";
        m_userDir = SpecialFolder(CSIDL_APPDATA) + L"\\SkimvueTool";
        RemoveTree(m_toolDir);
        RemoveTree(m_userDir);
        ASSERT_TRUE(CreateDirectoryW(m_toolDir.c_str(), nullptr));
    }
    void TearDown() override {
        RemoveTree(m_toolDir);
        RemoveTree(m_userDir);
    }
    std::wstring m_programFiles, m_toolDir, m_userDir;
};

TEST_F(ParamFileRedirection, FileBesideTheLibraryIsCopiedOnceToThePerUserFolder) {
    WriteFileBytes(m_toolDir + L"\\Skimvue64.ini", "[General]\r\nEnableLength=5\r\n");
    const std::wstring path = ResolveParamFilePath(m_toolDir + L"\\Skimvue64.dll");
    EXPECT_EQ(path, m_userDir + L"\\Skimvue64.ini");
    EXPECT_EQ(ReadFileBytes(path), "[General]\r\nEnableLength=5\r\n");

    WriteFileBytes(m_toolDir + L"\\Skimvue64.ini", "[General]\r\nEnableLength=9\r\n");
    EXPECT_EQ(ResolveParamFilePath(m_toolDir + L"\\Skimvue64.dll"), path);
    EXPECT_EQ(ReadFileBytes(path), "[General]\r\nEnableLength=5\r\n");
}

TEST_F(ParamFileRedirection, WithoutAFileBesideTheFolderIsMadeAndTheFirstSaveCreatesTheFile) {
    const std::wstring path = ResolveParamFilePath(m_toolDir + L"\\Skimvue.dll");
    EXPECT_EQ(path, m_userDir + L"\\Skimvue.ini");
    EXPECT_TRUE(Exists(m_userDir));
    EXPECT_FALSE(Exists(path));
    ASSERT_TRUE(WritePrivateProfileStringW(L"General", L"EnableLength", L"6", path.c_str()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    EXPECT_EQ(ReadFileBytes(path), "[General]\r\nEnableLength=6\r\n");
}

TEST_F(ParamFileRedirection, EmptyPerUserFolderReceivesTheCopy) {
    WriteFileBytes(m_toolDir + L"\\Skimvue64.ini", "[General]\r\nEnableLength=5\r\n");
    ASSERT_TRUE(CreateDirectoryW(m_userDir.c_str(), nullptr));
    const std::wstring path = ResolveParamFilePath(m_toolDir + L"\\Skimvue64.dll");
    EXPECT_EQ(path, m_userDir + L"\\Skimvue64.ini");
    EXPECT_EQ(ReadFileBytes(path), "[General]\r\nEnableLength=5\r\n");
}

// The folder is the same in any letter case or in its 8.3 form; the per-user folder takes the
// library folder's real name.
TEST_F(ParamFileRedirection, OtherLetterCaseAndShortFormsAreProtectedToo) {
    std::wstring lower = m_toolDir;
    std::transform(lower.begin(), lower.end(), lower.begin(), towlower);
    ASSERT_NE(lower, m_toolDir);
    EXPECT_TRUE(
        SamePath(ResolveParamFilePath(lower + L"\\Skimvue64.dll"), m_userDir + L"\\Skimvue64.ini"));

    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(m_toolDir.c_str(), shortForm, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(shortForm), m_toolDir);
    EXPECT_TRUE(SamePath(ResolveParamFilePath(std::wstring(shortForm) + L"\\Skimvue64.dll"),
                         m_userDir + L"\\Skimvue64.ini"));
}

// A 32-bit process is told "Program Files (x86)" for both program folders; the native one must
// be recognised all the same. The system tells every process the native one in ProgramW6432.
TEST_F(ParamFileRedirection, NativeProgramFilesIsProtectedForEitherWordSize) {
    wchar_t native[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"ProgramW6432", native, MAX_PATH), 0u);
#if SKIMVUE_BITS == 32
    ASSERT_NE(m_programFiles, native);
#endif
    const std::wstring toolDir = std::wstring(native) + L"\\SkimvueTool";
    const std::wstring path = ResolveParamFilePath(toolDir + L"\\Skimvue.dll");
    EXPECT_EQ(path, m_userDir + L"\\Skimvue.ini");
    EXPECT_TRUE(Exists(m_userDir));
}

TEST_F(ParamFileRedirection, WindowsFolderIsProtectedToo) {
    const std::wstring windows = SpecialFolder(CSIDL_WINDOWS);
    EXPECT_EQ(ResolveParamFilePath(windows + L"\\SkimvueTool\\Skimvue64.dll"),
              m_userDir + L"\\Skimvue64.ini");
}

TEST_F(ParamFileRedirection, LibraryInTheWindowsDriveRootStaysBeside) {
    const std::wstring drive = SpecialFolder(CSIDL_WINDOWS).substr(0, 2);
    EXPECT_EQ(ResolveParamFilePath(drive + L"\\Skimvue64.dll"), drive + L"\\Skimvue64.ini");
}

TEST_F(ParamFileRedirection, OrdinaryFolderStaysBeside) {
    CTempDir dir(L"beside");
    EXPECT_EQ(ResolveParamFilePath(dir.Path() + L"\\Skimvue64.dll"),
              dir.Path() + L"\\Skimvue64.ini");
}

TEST_F(ParamFileRedirection, LongPathIsUsedWhole) {
    const std::wstring deep = L"D:\\" + std::wstring(300, L'x') + L"\\Skimvue64.dll";
    EXPECT_EQ(ResolveParamFilePath(deep), deep.substr(0, deep.size() - 4) + L".ini");
}

} // namespace
