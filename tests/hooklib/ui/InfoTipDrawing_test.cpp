// The tip's drawing compared pixel by pixel with the drawing it must have. A program of its
// own: under Wine, once themed dialogs have run on other threads of a process, SetSysColors no
// longer changes what GetSysColor reports there, so the colour scheme could not be switched.
#include "ui/InfoTip.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "harness/XInput.h"
#include "UiTestWindows.h"

namespace {

SIZE SizeOf(const RECT& rc) {
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

std::vector<COLORREF> PixelsOf(HDC hDC, SIZE size) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            pixels.push_back(GetPixel(hDC, x, y));
        }
    }
    return pixels;
}

// The tip as it must look: a frame in the tooltip text colour around the tooltip background,
// the text in the status-bar font at (2, 1), drawn with format.
std::vector<COLORREF> ExpectedTip(const std::wstring& text, UINT format, SIZE size) {
    const unique_hdc_window screen = WindowDC(nullptr);
    const unique_hdc memory(CreateCompatibleDC(screen.get()));
    const HDC hDC = memory.get();
    const unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    const unique_select_object selectedBitmap = SelectObjectFor(hDC, bitmap.get());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0);
    unique_hfont font(CreateFontIndirectW(&metrics.lfStatusFont));
    const unique_select_object selectedFont = SelectObjectFor(hDC, font.get());
    RECT frame{0, 0, size.cx, size.cy};
    FillRect(hDC, &frame, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(hDC, &frame, GetSysColorBrush(COLOR_INFOTEXT));
    SetBkMode(hDC, TRANSPARENT);
    SetTextColor(hDC, GetSysColor(COLOR_INFOTEXT));
    RECT at{2, 1, size.cx, size.cy};
    DrawTextW(hDC, text.c_str(), static_cast<int>(text.size()), &at, format);
    return PixelsOf(hDC, size);
}

std::vector<COLORREF> ShownTip(const CInfoTip& tip) {
    const unique_hdc_window dc = WindowDC(tip.GetWnd());
    return PixelsOf(dc.get(), SizeOf(WindowRect(tip.GetWnd())));
}

int Differences(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

// The tooltip colours of the dark high-contrast schemes (light text on black) while it lives.
class CDarkTooltipColours {
  public:
    CDarkTooltipColours() : m_saved{GetSysColor(COLOR_INFOBK), GetSysColor(COLOR_INFOTEXT)} {
        const std::array<COLORREF, 2> dark{RGB(0, 0, 0), RGB(255, 255, 255)};
        SetSysColors(2, kElements.data(), dark.data());
    }
    ~CDarkTooltipColours() { SetSysColors(2, kElements.data(), m_saved.data()); }
    CDarkTooltipColours(const CDarkTooltipColours&) = delete;
    CDarkTooltipColours& operator=(const CDarkTooltipColours&) = delete;

  private:
    static constexpr std::array<int, 2> kElements{COLOR_INFOBK, COLOR_INFOTEXT};
    std::array<COLORREF, 2> m_saved;
};

// A tip over a list view, as the search shows it.
class InfoTipDrawing : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_host = CreateShownHost(L"SkimvueTipDrawingHost",
                                 std::vector<std::wstring>{L"議事録.docx", L"Q&A.docx"});
    }
    static void TearDownTestSuite() { s_host.reset(); }

    void SetUp() override {
        ASSERT_EQ(m_tip.Create(s_host->List(), GetModuleHandleW(nullptr)), 0);
        m_tip.SetText(L"kensaku : 検索");
        const RECT item = ItemScreenRect(s_host->List(), 1);
        m_tip.m_x = item.left;
        m_tip.m_y = item.bottom;
    }

    static std::unique_ptr<CListViewHost> s_host;
    CInfoTip m_tip;
};
std::unique_ptr<CListViewHost> InfoTipDrawing::s_host;

// "Q&A.docx" drawn with prefix processing reads "QA" with an underlined A, and "&&" reads "&".
TEST_F(InfoTipDrawing, NamesWithAmpersandsAreShownAsTheyAre) {
    const std::wstring text = L"kensaku : Q&A && 議事録.docx";
    const RECT asIs = StatusFontTextExtent(text, DT_NOPREFIX);
    ASSERT_NE(asIs.right, StatusFontTextExtent(text).right) << "the text tells the two apart";
    m_tip.SetText(text);
    m_tip.Show(0);
    PumpMessagesFor(200);
    const SIZE size = SizeOf(WindowRect(m_tip.GetWnd()));
    EXPECT_EQ(size.cx, asIs.right + 5);
    const std::vector<COLORREF> shown = ShownTip(m_tip);
    EXPECT_EQ(Differences(shown, ExpectedTip(text, DT_NOPREFIX, size)), 0);
    EXPECT_GT(Differences(shown, ExpectedTip(text, 0, size)), 0);
    SaveScreenshot(L"tooltip-ampersand.png");
}

TEST_F(InfoTipDrawing, ReadableInADarkHighContrastScheme) {
    CDarkTooltipColours dark;
    m_tip.Show(0);
    PumpMessagesFor(200);
    const SIZE size = SizeOf(WindowRect(m_tip.GetWnd()));
    const std::vector<COLORREF> shown = ShownTip(m_tip);
    EXPECT_EQ(Differences(shown, ExpectedTip(L"kensaku : 検索", DT_NOPREFIX, size)), 0);
    EXPECT_EQ(shown.front(), RGB(255, 255, 255)) << "the frame shows on the dark background";
    int light = 0;
    for (const COLORREF pixel : shown) {
        light += GetGValue(pixel) > 128 ? 1 : 0;
    }
    const int frame = 2 * (size.cx + size.cy) - 4;
    EXPECT_GT(light - frame, 20) << "the text is light on the dark background";
    SaveScreenshot(L"tooltip-high-contrast.png");
}

} // namespace
