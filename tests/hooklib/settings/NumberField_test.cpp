#include "settings/NumberField.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberField_Parse, FullWidthDigitsAndSignsAreTheSameNumber) {
    EXPECT_EQ(ParseNumberField(L"\uFF12\uFF10\uFF10\uFF10"), 2000) << "２０００";
    EXPECT_EQ(ParseNumberField(L"\uFF13"), 3);
    EXPECT_EQ(ParseNumberField(L"\uFF0D\uFF17"), -7) << "－７";
    EXPECT_EQ(ParseNumberField(L"\uFF0B\uFF18"), 8);
    EXPECT_EQ(ParseNumberField(L"\u3000\uFF11\uFF15\uFF10\uFF10"), 1500)
        << "leading ideographic space";
    EXPECT_EQ(ParseNumberField(L"1\uFF15\uFF10\uFF10"), 1500) << "half- and full-width mixed";
    EXPECT_EQ(ParseNumberField(L"\uFF12\uFF10\uFF10\uFF10\u30df\u30ea\u79d2"), 2000)
        << "text after the number is ignored, as \"%d\" ignores it";
}

TEST(NumberField_Parse, BlankIsZeroAndTextThatIsNoNumberHasNoValue) {
    EXPECT_EQ(ParseNumberField(L""), 0);
    EXPECT_EQ(ParseNumberField(L"  \t"), 0);
    EXPECT_EQ(ParseNumberField(L"\u3000"), 0);
    EXPECT_EQ(ParseNumberField(L"abc"), std::nullopt);
    EXPECT_EQ(ParseNumberField(L"\u4e8c\u5343"), std::nullopt) << "kanji numerals are not digits";
    EXPECT_EQ(ParseNumberField(L"\uFF0D"), std::nullopt);
    EXPECT_EQ(ParseNumberField(L"\uFF12\uFF11\uFF14\uFF17\uFF14\uFF18\uFF13\uFF16\uFF14\uFF18"),
              std::nullopt)
        << "2147483648 does not fit";
    EXPECT_EQ(ParseNumberField(L"42"), 42);
}

} // namespace
