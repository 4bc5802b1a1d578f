#include "ui/DialogLayout.h"

#include <gtest/gtest.h>

#include <string>

#include "support/UniqueHandle.h"
#include "ui/DialogFont.h"

namespace {

constexpr wchar_t kLongText[] = L"シフトキーによるMigemoの切り替え";

RECT RectIn(HWND hParent, HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

LONG Width(const RECT& rc) {
    return rc.right - rc.left;
}

// A dialog-like window with a Japanese font and children placed in its client area.
class DialogLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        m_font.reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0,
                                 0, 0, 0, ChooseJapaneseFace(L"Meiryo UI").c_str()));
        const DWORD style = WS_POPUP | WS_VISIBLE;
        RECT frame{100, 100, 100 + 300, 100 + 200};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        m_dialog.reset(CreateWindowExW(0, L"#32770", L"layout", style, frame.left, frame.top,
                                       Width(frame), frame.bottom - frame.top, nullptr, nullptr,
                                       nullptr, nullptr));
        ASSERT_TRUE(m_dialog);
    }
    HWND Add(const wchar_t* className, const wchar_t* text, DWORD style, RECT rc) {
        HWND hWnd = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, rc.left,
                                    rc.top, Width(rc), rc.bottom - rc.top, m_dialog.get(), nullptr,
                                    nullptr, nullptr);
        SendMessageW(hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
        return hWnd;
    }
    int TextWidth(const std::wstring& text) const {
        const unique_hdc_window screen(nullptr, GetDC(nullptr));
        const unique_select_object font = SelectObjectFor(screen.get(), m_font.get());
        SIZE size{};
        GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    LONG ClientWidth() const {
        RECT client{};
        GetClientRect(m_dialog.get(), &client);
        return client.right;
    }

    unique_hfont m_font;
    unique_hwnd m_dialog;
};

// The label needs more than the space up to its field: the dialog grows by the shortfall, the
// field and the button right of the label move along, the separator that spans the dialog
// stretches, and nothing left of the label moves.
TEST_F(DialogLayout, ALabelWiderThanItsControlOpensTheColumnToItsRight) {
    HWND label = Add(L"Static", kLongText, SS_LEFT, RECT{10, 10, 60, 26});
    HWND field = Add(L"Edit", L"", WS_BORDER, RECT{62, 10, 290, 26});
    HWND separator = Add(L"Static", L"", SS_BLACKFRAME, RECT{10, 40, 290, 41});
    HWND button = Add(L"Button", L"OK", BS_PUSHBUTTON, RECT{120, 160, 200, 184});
    HWND left = Add(L"Button", L"", BS_AUTOCHECKBOX, RECT{10, 160, 30, 176});
    const int needed = TextWidth(kLongText);
    ASSERT_GT(needed, 50);
    const LONG widthBefore = ClientWidth();

    FitTextControls(m_dialog.get());
    const RECT labelNow = RectIn(m_dialog.get(), label);
    const RECT fieldNow = RectIn(m_dialog.get(), field);
    EXPECT_EQ(labelNow.left, 10);
    EXPECT_GE(Width(labelNow), needed);
    EXPECT_LE(labelNow.right, fieldNow.left) << "the label ends before its field";
    EXPECT_EQ(Width(fieldNow), 228) << "the field moves, it keeps its size";
    const LONG grown = fieldNow.left - 62;
    EXPECT_GT(grown, 0);
    EXPECT_EQ(ClientWidth(), widthBefore + grown);
    EXPECT_EQ(Width(RectIn(m_dialog.get(), separator)), 280 + grown);
    EXPECT_EQ(RectIn(m_dialog.get(), button).left, 120 + grown);
    EXPECT_EQ(RectIn(m_dialog.get(), left).left, 10);
}

} // namespace
