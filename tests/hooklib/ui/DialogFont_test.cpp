#include "ui/DialogFont.h"

#include <gtest/gtest.h>

#include "support/ModuleVersion.h"
#include "support/UniqueHandle.h"
#include "ui/SettingDlgResource.h"

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

std::wstring ItemText(HWND hDlg, int id) {
    wchar_t text[64] = {};
    GetDlgItemTextW(hDlg, id, text, 64);
    return text;
}

std::wstring FaceOf(HWND hDlg) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(hDlg, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    GetObjectW(font, sizeof(logFont), &logFont);
    return logFont.lfFaceName;
}

// The settings dialog's own template, its face replaced by names of both parities: the items
// behind the face name move and must keep their alignment.
class DialogFace : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(DialogFace, ReplacedFaceKeepsEveryItem) {
    HMODULE module = GetThisModule();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDD_SETTING), RT_DIALOG);
    ASSERT_NE(resource, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const std::vector<DWORD> changed =
        WithDialogFace(data, SizeofResource(module, resource), GetParam());
    unique_hwnd dialog(CreateDialogIndirectParamW(
        module, reinterpret_cast<const DLGTEMPLATE*>(changed.data()), nullptr, QuietDialogProc, 0));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(FaceOf(dialog.get()), GetParam());
    EXPECT_EQ(ItemText(dialog.get(), IDCANCEL), L"キャンセル");
    EXPECT_EQ(ItemText(dialog.get(), IDC_SETTING_MIGEMO_SHIFT),
              L"シフトキーによるMigemoの切り替え");
    EXPECT_NE(GetDlgItem(dialog.get(), IDC_SETTING_RULES), nullptr);
    EXPECT_NE(GetDlgItem(dialog.get(), IDC_SETTING_CELL_EDIT), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Faces, DialogFace,
                         ::testing::Values(L"IPAGothic", L"IPAPGothic", L"MS UI Gothic"));

TEST(ChooseJapaneseFace, MissingFaceFallsBackToAnInstalledJapaneseOne) {
    const std::wstring face = ChooseJapaneseFace(L"No Such Face 12345");
    ASSERT_FALSE(face.empty()) << "setup installs the IPA Gothic fonts";
    EXPECT_EQ(ChooseJapaneseFace(face), face) << "an installed face is kept";
}

} // namespace
