#include "support/StdString.h"

#include <gtest/gtest.h>

namespace {

TEST(StdString_Format, WideArgumentsWithSeparator) {
    CStdString text;
    EXPECT_EQ(text.Format(L"%s : %s", L"ab", L"abcdefg"), 12);
    EXPECT_EQ(text, L"ab : abcdefg");
    EXPECT_EQ(text.size(), 12u);
}

TEST(StdString_Format, ShortensALongerText) {
    CStdString text(L"a much longer text than the result");
    text.Format(L"%d", 7);
    EXPECT_EQ(text, L"7");
}

TEST(StdString_Format, EmptyResultLeavesTheStringEmpty) {
    CStdString text(L"previous");
    EXPECT_EQ(text.Format(L"%s", L""), 0);
    EXPECT_TRUE(text.empty());
}

TEST(StdString_Format, NumbersAndPaddingAsTheRuntimeFormatsThem) {
    CStdString text;
    text.Format(L"0x%08X", 0x1234ABu);
    EXPECT_EQ(text, L"0x001234AB");
    text.Format(L"\\StringFileInfo\\%04x%04x\\%s", 0x411, 1200, L"FileVersion");
    EXPECT_EQ(text, L"\\StringFileInfo\\041104b0\\FileVersion");
    text.Format(L"%s%s", L"C:\\Users\\\u30e6\u30fc\u30b6", L"\\Tool");
    EXPECT_EQ(text, L"C:\\Users\\\u30e6\u30fc\u30b6\\Tool");
}

TEST(StdString_Format, LongResultIsWrittenWhole) {
    const std::wstring part(5000, L'\u691c');
    CStdString text;
    EXPECT_EQ(text.Format(L"%s-%s", part.c_str(), part.c_str()), 10001);
    EXPECT_EQ(text, part + L"-" + part);
}

TEST(StdString_Construction, NullPointerGivesEmpty) {
    EXPECT_TRUE(CStdString(static_cast<const wchar_t*>(nullptr)).empty());
    EXPECT_EQ(CStdString(L"x"), L"x");
}

} // namespace
