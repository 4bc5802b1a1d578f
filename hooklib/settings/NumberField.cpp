#include "settings/NumberField.h"

#include <algorithm>
#include <cwctype>

#include "settings/SettingsValues.h"

namespace {

constexpr wchar_t kFullWidthZero = L'\uFF10';
constexpr wchar_t kFullWidthNine = L'\uFF19';
constexpr wchar_t kFullWidthPlus = L'\uFF0B';
constexpr wchar_t kFullWidthMinus = L'\uFF0D';
constexpr wchar_t kMinusSign = L'\u2212';
constexpr wchar_t kIdeographicSpace = L'\u3000';

wchar_t FoldCharacter(wchar_t c) {
    if (c >= kFullWidthZero && c <= kFullWidthNine) {
        return static_cast<wchar_t>(L'0' + (c - kFullWidthZero));
    }
    switch (c) {
    case kFullWidthPlus:
        return L'+';
    case kFullWidthMinus:
    case kMinusSign:
        return L'-';
    case kIdeographicSpace:
        return L' ';
    default:
        return c;
    }
}

// Full-width digits, plus and minus signs and the ideographic space as their ASCII forms.
std::wstring FoldFullWidthNumber(const std::wstring& text) {
    std::wstring folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCharacter);
    return folded;
}

} // namespace

std::optional<int32_t> ParseNumberField(const std::wstring& text) {
    const std::wstring folded = FoldFullWidthNumber(text);
    const bool blank = std::all_of(folded.begin(), folded.end(),
                                   [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)); });
    return blank ? std::optional<int32_t>(0) : ParseDecimal(folded);
}
