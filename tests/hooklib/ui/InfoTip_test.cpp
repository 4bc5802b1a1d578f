#include "ui/InfoTip.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "UiTestWindows.h"
#include "harness/XInput.h"
#include "support/Messages.h"

namespace {

constexpr wchar_t kTipClass[] = L"InfoTipWindowClass";

bool TipClassRegistered(HINSTANCE instance) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(instance, kTipClass, &info) != 0;
}

bool Visible(const CInfoTip& tip) {
    return IsWindowVisible(tip.GetWnd()) != 0;
}

SIZE SizeOf(const RECT& rc) {
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

// The tip over a focused list view, as the search shows it. One host serves the suite: Wine
// without a window manager takes seconds to destroy a shown top-level window.
class InfoTipTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_host = CreateShownHost(
            L"SkimvueTipHost",
            std::vector<std::wstring>{L"検索結果.txt", L"kensaku.doc", L"報告書.xlsx"});
    }
    static void TearDownTestSuite() { s_host.reset(); }

    void SetUp() override {
        ASSERT_NE(s_host->List(), nullptr);
        ASSERT_TRUE(FocusWindow(s_host->Frame()));
        SetFocus(s_host->List());
        ASSERT_EQ(GetForegroundWindow(), s_host->Frame());
        ASSERT_EQ(m_tip.Create(s_host->List(), m_hInstance), 0);
        m_tip.SetText(L"kensaku : 検索");
        m_tip.m_x = 150;
        m_tip.m_y = 200;
    }

    static std::unique_ptr<CListViewHost> s_host;
    HINSTANCE m_hInstance = GetModuleHandleW(nullptr);
    CInfoTip m_tip;
};
std::unique_ptr<CListViewHost> InfoTipTest::s_host;

TEST_F(InfoTipTest, ShowsWithoutTakingActivationOrFocus) {
    m_tip.Show(0);
    PumpMessagesFor(100);
    EXPECT_TRUE(Visible(m_tip));
    EXPECT_EQ(GetForegroundWindow(), s_host->Frame());
    EXPECT_EQ(GetActiveWindow(), s_host->Frame());
    EXPECT_EQ(GetFocus(), s_host->List());
}

TEST_F(InfoTipTest, ClickOnTheTipLeavesTheFocusInTheView) {
    m_tip.Show(0);
    const RECT tip = WindowRect(m_tip.GetWnd());
    ASSERT_TRUE(ClickAt(POINT{tip.left + 3, tip.top + 3}));
    EXPECT_EQ(GetForegroundWindow(), s_host->Frame());
    EXPECT_EQ(GetFocus(), s_host->List());
}

TEST_F(InfoTipTest, SitsAtItsPositionSizedToTheTextWithMargins) {
    m_tip.Show(0);
    const RECT extent = StatusFontTextExtent(L"kensaku : 検索");
    const RECT rect = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(rect.left, 150);
    EXPECT_EQ(rect.top, 200);
    EXPECT_EQ(rect.right - rect.left, extent.right + 5);
    EXPECT_EQ(rect.bottom - rect.top, extent.bottom + 3);
}

TEST_F(InfoTipTest, NewTextAndPositionTakeEffectAtTheNextShow) {
    m_tip.Show(0);
    const RECT before = WindowRect(m_tip.GetWnd());
    m_tip.SetText(L"a much longer search text : 検索結果の一覧");
    m_tip.m_x = 300;
    PumpMessagesFor(100);
    const RECT unchanged = WindowRect(m_tip.GetWnd());
    EXPECT_TRUE(EqualRect(&before, &unchanged));

    m_tip.Show(0);
    const RECT after = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(after.left, 300);
    EXPECT_GT(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(InfoTipTest, PaintsFrameBackgroundAndText) {
    m_tip.Show(0);
    PumpMessagesFor(200);
    const RECT rect = WindowRect(m_tip.GetWnd());
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const unique_hdc_window dc = WindowDC(m_tip.GetWnd());
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), black);
    EXPECT_EQ(GetPixel(dc.get(), width - 1, height - 1), black);
    EXPECT_EQ(GetPixel(dc.get(), width - 2, height - 2), GetSysColor(COLOR_INFOBK));
    int textPixels = 0;
    for (int y = 1; y < height - 1; ++y) {
        for (int x = 1; x < width - 1; ++x) {
            textPixels += GetPixel(dc.get(), x, y) != GetSysColor(COLOR_INFOBK) ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 20);
}

// Timers run on their own; the tests wait for the effect, never on a clock.
TEST_F(InfoTipTest, HidesWhenItsTimerFires) {
    m_tip.Show(200);
    EXPECT_TRUE(Visible(m_tip));
    EXPECT_TRUE(PumpUntil([&] { return !Visible(m_tip); }));
    EXPECT_NE(m_tip.GetWnd(), nullptr);
}

TEST_F(InfoTipTest, ShowWithoutTimeStaysShown) {
    m_tip.Show(0);
    PumpMessagesFor(1000);
    EXPECT_TRUE(Visible(m_tip));
}

TEST_F(InfoTipTest, ShowWithoutTimeLeavesARunningTimer) {
    m_tip.Show(200);
    m_tip.Show(0);
    EXPECT_TRUE(PumpUntil([&] { return !Visible(m_tip); }));
}

TEST_F(InfoTipTest, ShowAgainRestartsTheTimerWithTheNewTime) {
    m_tip.Show(200);
    m_tip.Show(600000);
    PumpMessagesFor(1000);
    EXPECT_TRUE(Visible(m_tip));

    m_tip.Show(200);
    EXPECT_TRUE(PumpUntil([&] { return !Visible(m_tip); }));
}

TEST_F(InfoTipTest, ShowAtMessageMovesAndShows) {
    SendMessageW(m_tip.GetWnd(), WM_INFOTIP_SHOWAT, 0, 0x00C80064);
    const RECT rect = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(rect.left, 200);
    EXPECT_EQ(rect.top, 100);
    EXPECT_EQ(m_tip.m_x, 200);
    EXPECT_EQ(m_tip.m_y, 100);
    EXPECT_TRUE(Visible(m_tip));
    EXPECT_EQ(GetForegroundWindow(), s_host->Frame());
}

TEST_F(InfoTipTest, ShowAtMessageCarriesNegativeCoordinates) {
    EXPECT_EQ(MakeInfoTipPosition(200, 100), 0x00C80064);
    EXPECT_EQ(static_cast<DWORD>(MakeInfoTipPosition(-300, -40)), 0xFED4FFD8u);

    SendMessageW(m_tip.GetWnd(), WM_INFOTIP_SHOWAT, 0, MakeInfoTipPosition(-300, -40));
    EXPECT_EQ(m_tip.m_x, -300);
    EXPECT_EQ(m_tip.m_y, -40);
}

// The test display has one monitor at (0, 0): left of it and above it is off the screen.
TEST_F(InfoTipTest, KeptInsideTheWorkAreaOfItsMonitor) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT work = monitor.rcWork;
    const RECT extent = StatusFontTextExtent(L"kensaku : 検索", DT_NOPREFIX);
    const SIZE size{extent.right + 5, extent.bottom + 3};

    m_tip.m_x = work.right - 10;
    m_tip.m_y = work.bottom - 4;
    m_tip.Show(0);
    RECT rect = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(rect.right, work.right);
    EXPECT_EQ(rect.bottom, work.bottom);
    EXPECT_EQ(SizeOf(rect).cx, size.cx);
    EXPECT_EQ(SizeOf(rect).cy, size.cy);
    EXPECT_EQ(m_tip.m_x, work.right - 10) << "the position asked for stays as it was";

    SendMessageW(m_tip.GetWnd(), WM_INFOTIP_SHOWAT, 0,
                 MakeInfoTipPosition(work.left - 300, work.top - 40));
    rect = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.top, work.top);

    m_tip.m_x = work.left + 40;
    m_tip.m_y = work.top + 30;
    m_tip.Show(0);
    rect = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(rect.left, work.left + 40) << "a tip that fits stays where it was asked";
    EXPECT_EQ(rect.top, work.top + 30);
}

TEST_F(InfoTipTest, ShowAtMessageUsesItsDisplayTime) {
    SendMessageW(m_tip.GetWnd(), WM_INFOTIP_SHOWAT, 200, MakeInfoTipPosition(10, 10));
    EXPECT_TRUE(Visible(m_tip));
    EXPECT_TRUE(PumpUntil([&] { return !Visible(m_tip); }));
}

// As the worker thread that locates the selected item does.
TEST_F(InfoTipTest, ShowAtPostedFromAnotherThread) {
    const RECT item = ItemScreenRect(s_host->List(), 1);
    HWND tipWindow = m_tip.GetWnd();
    std::thread worker([tipWindow, item] {
        PostMessageW(tipWindow, WM_INFOTIP_SHOWAT, 0, MakeInfoTipPosition(item.left, item.bottom));
    });
    worker.join();
    EXPECT_TRUE(PumpUntil([&] { return Visible(m_tip); }));
    const RECT rect = WindowRect(m_tip.GetWnd());
    EXPECT_EQ(rect.left, item.left);
    EXPECT_EQ(rect.top, item.bottom);
}

TEST_F(InfoTipTest, JapaneseTextOverAListViewOnScreen) {
    const RECT item = ItemScreenRect(s_host->List(), 0);
    m_tip.m_x = item.left;
    m_tip.m_y = item.bottom;
    m_tip.Show(0);
    PumpMessagesFor(300);
    const std::wstring path = SaveScreenshot(L"tooltip.png");
    ASSERT_FALSE(path.empty());
    const RECT rect = WindowRect(m_tip.GetWnd());
    EXPECT_TRUE(Visible(m_tip));
    EXPECT_EQ(rect.top, item.bottom);
}

TEST_F(InfoTipTest, CreateAgainReplacesTheWindow) {
    HWND first = m_tip.GetWnd();
    ASSERT_EQ(m_tip.Create(s_host->List(), m_hInstance), 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(m_tip.GetWnd()));
}

TEST_F(InfoTipTest, DestroyRemovesWindowAndClass) {
    HWND window = m_tip.GetWnd();
    EXPECT_EQ(m_tip.Destroy(), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(m_tip.GetWnd(), nullptr);
    EXPECT_FALSE(TipClassRegistered(m_hInstance));
    EXPECT_EQ(m_tip.Show(0), 0);
    EXPECT_EQ(m_tip.Layout(), 0);
    EXPECT_EQ(m_tip.Destroy(), 0);
}

// The class is registered once per process: later tips reuse it, the last one removes it.
TEST(InfoTipClass, SharedByTheTipsOfAProcess) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    unique_hwnd owner = CreateTopWindow(L"SkimvueTipOwner", RECT{50, 50, 350, 250});
    auto first = std::make_unique<CInfoTip>();
    CInfoTip second;
    ASSERT_EQ(first->Create(owner.get(), instance), 0);
    ASSERT_EQ(second.Create(owner.get(), instance), 0);
    EXPECT_EQ(GetClassLongPtrW(first->GetWnd(), GCW_ATOM),
              GetClassLongPtrW(second.GetWnd(), GCW_ATOM));

    first.reset();
    EXPECT_TRUE(TipClassRegistered(instance));
    second.SetText(L"second");
    second.Show(0);
    EXPECT_TRUE(Visible(second));

    EXPECT_EQ(second.Destroy(), 0);
    EXPECT_FALSE(TipClassRegistered(instance));
}

TEST(InfoTipLifetime, GoesWithItsOwner) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    unique_hwnd owner = CreateTopWindow(L"SkimvueTipOwner", RECT{50, 50, 350, 250});
    CInfoTip tip;
    ASSERT_EQ(tip.Create(owner.get(), instance), 0);
    tip.Show(0);
    HWND window = tip.GetWnd();

    owner.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(tip.GetWnd(), nullptr);
    EXPECT_EQ(tip.Show(0), 0);
    // The window is gone: the class goes without a second DestroyWindow.
    EXPECT_EQ(tip.Destroy(), 0);
    EXPECT_FALSE(TipClassRegistered(instance));
}

TEST(InfoTipLifetime, DeletedAfterItsWindowWasDestroyedDirectly) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto tip = std::make_unique<CInfoTip>();
    ASSERT_EQ(tip->Create(nullptr, instance), 0);
    ASSERT_TRUE(DestroyWindow(tip->GetWnd()));
    EXPECT_EQ(tip->GetWnd(), nullptr);
    tip.reset();
    EXPECT_FALSE(TipClassRegistered(instance));
}

TEST(InfoTipLifetime, FailedCreateLeavesEveryOperationInert) {
    unique_hwnd gone = CreateTopWindow(L"SkimvueTipGone", RECT{50, 50, 350, 250});
    HWND goneOwner = gone.get();
    gone.reset();
    CInfoTip tip;
    EXPECT_EQ(tip.Create(goneOwner, GetModuleHandleW(nullptr)), -1);
    EXPECT_EQ(tip.GetWnd(), nullptr);
    tip.SetText(L"text");
    EXPECT_EQ(tip.Layout(), 0);
    EXPECT_EQ(tip.Show(1000), 0);
    EXPECT_EQ(tip.Destroy(), 0);
}

// A tip deleted on a thread that cannot destroy its window must leave that window harmless.
TEST(InfoTipLifetime, DeletedOnAnotherThreadLeavesItsWindowInert) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto tip = std::make_unique<CInfoTip>();
    HWND window = nullptr;
    unique_handle created(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread viewThread([&] {
        tip->Create(nullptr, instance);
        window = tip->GetWnd();
        SetEvent(created.get());
        // Runs until the window is closed below.
        MSG msg;
        while (IsWindow(window) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageW(&msg);
        }
    });
    WaitForSingleObject(created.get(), 10000);
    ASSERT_NE(window, nullptr);
    tip.reset();
    EXPECT_TRUE(IsWindow(window));

    SendMessageW(window, WM_INFOTIP_SHOWAT, 0, MakeInfoTipPosition(321, 123));
    EXPECT_FALSE(IsWindowVisible(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
    viewThread.join();
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
