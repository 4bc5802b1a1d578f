#include "support/ModuleVersion.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "harness/WinTestSupport.h"
#include "support/UniqueHandle.h"
#include "hook/Exports.h"

namespace {

constexpr wchar_t kVersion[] = L"1,0,0,0015";

TEST(ModuleVersion_GetVersion, ReturnsTheFileVersionOfTheLibrary) {
    wchar_t buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(SkimvueDll::GetVersion(buffer, 32), 1);
    EXPECT_STREQ(buffer, kVersion);
    for (size_t i = wcslen(kVersion); i < 32; ++i) {
        EXPECT_EQ(buffer[i], L'\0') << i;
    }
}

TEST(ModuleVersion_GetVersion, NeedsRoomForTheTerminator) {
    const size_t length = wcslen(kVersion);
    wchar_t buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(SkimvueDll::GetVersion(buffer, static_cast<unsigned long>(length)), 0);
    EXPECT_TRUE(
        std::all_of(std::begin(buffer), std::end(buffer), [](wchar_t c) { return c == L'#'; }));
    EXPECT_EQ(SkimvueDll::GetVersion(buffer, static_cast<unsigned long>(length + 1)), 1);
    EXPECT_STREQ(buffer, kVersion);
    EXPECT_EQ(buffer[length + 1], L'#');
}

TEST(ModuleVersion_GetVersion, NullBufferFails) {
    EXPECT_EQ(SkimvueDll::GetVersion(nullptr, 100), 0);
    EXPECT_EQ(SkimvueDll::GetVersion(nullptr, 0), 0);
}

// The copy carries a version text of its own (same length, so the resource stays well-formed):
// it can answer with it only from its own file.
TEST(ModuleVersion_GetVersion, CopyUnderAnotherNameFindsItsOwnFile) {
    constexpr wchar_t kCopyVersion[] = L"1,0,0,0016";
    const auto utf16 = [](const wchar_t* text) {
        return std::string(reinterpret_cast<const char*>(text), wcslen(text) * sizeof(wchar_t));
    };
    std::string image = ReadFileBytes(LibraryPath());
    const std::string from = utf16(kVersion);
    const std::string to = utf16(kCopyVersion);
    size_t replaced = 0;
    for (size_t at = image.find(from); at != std::string::npos;
         at = image.find(from, at + to.size())) {
        image.replace(at, from.size(), to);
        ++replaced;
    }
    ASSERT_GT(replaced, 0u);
    CTempDir dir(L"version-copy");
    const std::wstring copy = dir.Path() + L"\\Renamed.dll";
    WriteFileBytes(copy, image);
    const unique_hmodule module(LoadLibraryW(copy.c_str()));
    ASSERT_TRUE(module);
    using GetVersionFn = int (*)(wchar_t*, unsigned long);
    auto getVersion = reinterpret_cast<GetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "_ZN10SkimvueDll10GetVersionEPwm")));
    ASSERT_NE(getVersion, nullptr);
    wchar_t buffer[32] = {};
    EXPECT_EQ(getVersion(buffer, 32), 1);
    EXPECT_STREQ(buffer, kCopyVersion);
    EXPECT_EQ(SkimvueDll::GetVersion(buffer, 32), 1);
    EXPECT_STREQ(buffer, kVersion);
}

TEST(ModuleVersion_Load, ReadsTheResourceAndItsTranslation) {
    CModuleVersion version;
    EXPECT_TRUE(version.LoadVersionInfo(LibraryPath()));
    EXPECT_EQ(version.Language(), 0x0411);
    EXPECT_EQ(version.CodePage(), 1200);
    EXPECT_EQ(version.GetFileVersionString(), kVersion);
    EXPECT_EQ(version.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(version.dwFileVersionLS, 15u);
}

TEST(ModuleVersion_Load, WithoutTranslationTableUsesEnglishAnd1252) {
    CModuleVersion version;
    EXPECT_TRUE(version.LoadVersionInfo(BinDir() + L"\\skimvue_notranslation.dll"));
    EXPECT_EQ(version.Language(), 0x0409);
    EXPECT_EQ(version.CodePage(), 1252);
    EXPECT_EQ(version.GetFileVersionString(), L"9,8,7,6");
}

TEST(ModuleVersion_Load, FileWithoutResourceGivesNoVersion) {
    CModuleVersion version;
    EXPECT_FALSE(version.LoadVersionInfo(BinDir() + L"\\skimvue_probe.exe"));
    EXPECT_EQ(version.GetFileVersionString(), L"");
    EXPECT_FALSE(version.LoadVersionInfo(BinDir() + L"\\missing.dll"));
}

// The earlier file is one whose translation is what a load starts from (English, 1252), so its
// text is still found in the buffer after the failed load has reset the translation.
TEST(ModuleVersion_Load, EarlierResourceStaysWhenTheNextFileHasNone) {
    CModuleVersion version;
    ASSERT_TRUE(version.LoadVersionInfo(BinDir() + L"\\skimvue_notranslation.dll"));
    EXPECT_FALSE(version.LoadVersionInfo(BinDir() + L"\\missing.dll"));
    EXPECT_EQ(version.CodePage(), 1252);
    EXPECT_EQ(version.GetFileVersionString(), L"9,8,7,6");
}

TEST(ModuleVersion_Load, PathLongerThanMaxPathIsUsedWhole) {
    CTempDir dir(L"long");
    std::wstring folder = dir.Path();
    while (folder.size() < 280) {
        folder += L"\\" + std::wstring(60, L'd');
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    }
    const std::wstring copy = folder + L"\\Skimvue.dll";
    ASSERT_TRUE(CopyFileW(LibraryPath().c_str(), (L"\\\\?\\" + copy).c_str(), FALSE));
    CModuleVersion version;
    EXPECT_TRUE(version.LoadVersionInfo(copy));
    EXPECT_EQ(version.GetFileVersionString(), kVersion);
}

TEST(ModuleVersion_Path, IsThisModulesFile) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(GetModulePath(), exe);
    EXPECT_EQ(CModuleVersion::GetModulePath(), exe);
}

} // namespace
