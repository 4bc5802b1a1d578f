// Placing the tip below an item that only UI Automation finds, on the locator's worker, against
// the automation stand-in registered for the process's multithreaded apartment.
#include "hook/TipLocator.h"

#include <gtest/gtest.h>

#include <thread>

#include "../view/UiaDoubles.h"
#include "harness/TestListView.h"
#include "harness/XInput.h"
#include "support/UniqueHandle.h"
#include "ui/InfoTip.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr RECT kReadme = {110, 220, 310, 240};
constexpr RECT kNotes = {110, 240, 310, 260};

// Registers the stand-in from a thread of the multithreaded apartment, which every thread of
// that apartment shares for as long as the registration lives.
class CMtaRegistration {
  public:
    explicit CMtaRegistration(ComPtr<IClassFactory> factory)
        : m_thread([this, factory] {
              const unique_com_init com(COINIT_MULTITHREADED);
              CRegisteredClass registration(__uuidof(CUIAutomation), factory.Get());
              m_bRegistered = registration.IsRegistered();
              SetEvent(m_hReady.get());
              WaitForSingleObject(m_hDone.get(), INFINITE);
          }) {
        WaitForSingleObject(m_hReady.get(), 5000);
    }
    ~CMtaRegistration() {
        SetEvent(m_hDone.get());
        m_thread.join();
    }
    bool IsRegistered() const { return m_bRegistered; }

  private:
    unique_handle m_hReady{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    unique_handle m_hDone{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool m_bRegistered = false;
    std::thread m_thread;
};

class TipLocatorTest : public ::testing::Test {
  protected:
    TipLocatorTest() {
        m_tip.Create(m_view.Frame(), GetModuleHandleW(nullptr));
        m_automation = MakeDouble<CAutomationDouble>(
            m_view.List(),
            std::vector<ElementData>{{L"readme.txt", UIA_ListItemControlTypeId, kReadme},
                                     {L"notes.txt", UIA_ListItemControlTypeId, kNotes}},
            m_log);
    }
    TipLocateRequest Request(const std::wstring& name) const {
        return {m_view.List(), m_tip.GetWnd(), name, 5000};
    }
    bool TipShownAt(const RECT& item) const {
        RECT shown{};
        GetWindowRect(m_tip.GetWnd(), &shown);
        return IsWindowVisible(m_tip.GetWnd()) && shown.left == item.left &&
               shown.top == item.bottom;
    }

    CTestListView m_view{{L"readme.txt", L"notes.txt"}};
    CInfoTip m_tip;
    std::shared_ptr<CFindLog> m_log = std::make_shared<CFindLog>();
    ComPtr<CAutomationDouble> m_automation;
};

TEST_F(TipLocatorTest, TheTipGoesBelowTheItemOfThatName) {
    CMtaRegistration registration(MakeDouble<CClassFactoryDouble>(m_automation));
    ASSERT_TRUE(registration.IsRegistered());
    CTipLocator locator;
    locator.Locate(Request(L"notes.txt"));
    EXPECT_TRUE(PumpUntil([&] { return TipShownAt(kNotes); }));
    EXPECT_EQ(m_log->Names(), (std::vector<std::wstring>{L"notes.txt"}));
}

// While a lookup runs, the requests of a fast typist wait; only the newest is looked up next.
TEST_F(TipLocatorTest, OneLookupAtATimeAndTheNewestRequestWins) {
    CMtaRegistration registration(MakeDouble<CClassFactoryDouble>(m_automation));
    ASSERT_TRUE(registration.IsRegistered());
    CTipLocator locator;
    m_log->Hold();
    locator.Locate(Request(L"readme.txt"));
    ASSERT_EQ(WaitForSingleObject(m_log->Entered(), 5000), WAIT_OBJECT_0);
    locator.Locate(Request(L"missing.txt"));
    locator.Locate(Request(L"readme.txt"));
    locator.Locate(Request(L"notes.txt"));
    m_log->Release();
    EXPECT_TRUE(PumpUntil([&] { return m_log->Names().size() == 2 && TipShownAt(kNotes); }));
    PumpMessagesFor(200);
    EXPECT_EQ(m_log->Names(), (std::vector<std::wstring>{L"readme.txt", L"notes.txt"}));
}

} // namespace
