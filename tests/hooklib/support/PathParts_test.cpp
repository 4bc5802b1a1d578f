#include "support/PathParts.h"

#include <gtest/gtest.h>

namespace {

TEST(PathParts_Split, FullPath) {
    const PathParts parts = SplitPath(L"C:\\Program Files\\Tool\\Skimvue64.ini");
    EXPECT_EQ(parts.m_drive, L"C:");
    EXPECT_EQ(parts.m_directory, L"\\Program Files\\Tool\\");
    EXPECT_EQ(parts.m_name, L"Skimvue64");
    EXPECT_EQ(parts.m_extension, L".ini");
}

TEST(PathParts_Split, RootDirectoryIsABackslash) {
    const PathParts parts = SplitPath(L"D:\\Skimvue.dll");
    EXPECT_EQ(parts.m_drive, L"D:");
    EXPECT_EQ(parts.m_directory, L"\\");
    EXPECT_EQ(parts.m_name, L"Skimvue");
}

TEST(PathParts_Split, OnlyTheLastDotStartsTheExtension) {
    const PathParts parts = SplitPath(L"\\\\server\\share.v2\\a.b.c");
    EXPECT_EQ(parts.m_drive, L"");
    EXPECT_EQ(parts.m_directory, L"\\\\server\\share.v2\\");
    EXPECT_EQ(parts.m_name, L"a.b");
    EXPECT_EQ(parts.m_extension, L".c");
}

TEST(PathParts_Split, NoDirectoryNoExtension) {
    const PathParts parts = SplitPath(L"Skimvue");
    EXPECT_EQ(parts.m_directory, L"");
    EXPECT_EQ(parts.m_name, L"Skimvue");
    EXPECT_EQ(parts.m_extension, L"");
}

TEST(PathParts_Split, LongPathsAreNotCut) {
    const std::wstring folder(400, L'f');
    const PathParts parts = SplitPath(L"C:\\" + folder + L"\\" + folder + L".dll");
    EXPECT_EQ(parts.m_directory.size(), 402u);
    EXPECT_EQ(parts.m_name, folder);
}

TEST(PathParts_DirectoryOf, CutsBeforeTheLastBackslash) {
    EXPECT_EQ(DirectoryOf(L"C:\\Tools\\Skimvue64.dll"), L"C:\\Tools");
    EXPECT_EQ(DirectoryOf(L"Skimvue64.dll"), L"");
}

} // namespace
