#include "view/UIATools.h"

#include <gtest/gtest.h>

#include <vector>

#include "ComDoubles.h"
#include "UiaDoubles.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

// Found by argument-dependent lookup only at global scope, where RECT lives.
static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

constexpr RECT kFirst = {10, 20, 110, 40};
constexpr RECT kSecond = {10, 40, 110, 60};
constexpr RECT kUpper = {10, 60, 110, 80};
constexpr RECT kUntouched = {-7, -7, -7, -7};

class UIAToolsTest : public ::testing::Test {
  protected:
    UIAToolsTest() {
        m_automation = MakeDouble<CAutomationDouble>(
            m_view.get(),
            std::vector<ElementData>{{L"report.txt", kHeaderControlType, {}},
                                     {L"README.TXT", UIA_ListItemControlTypeId, kUpper},
                                     {L"readme.txt", UIA_ListItemControlTypeId, kFirst},
                                     {L"readme.txt", UIA_ListItemControlTypeId, kSecond},
                                     {L"日本語.txt", UIA_ListItemControlTypeId, kSecond}});
        m_factory = MakeDouble<CClassFactoryDouble>(m_automation);
    }

    // As the tooltip's worker thread does it: initialise COM, construct, Init, one lookup.
    int Lookup(HWND hWnd, const std::wstring& name, RECT& rect) {
        const unique_com_init com(COINIT_APARTMENTTHREADED);
        CUIATools tools(hWnd);
        tools.Init();
        return tools.FindItemRect(name, rect);
    }

    unique_com_init m_com{COINIT_APARTMENTTHREADED};
    unique_hwnd m_view{CreateWindowExW(0, L"STATIC", L"view", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr)};
    ComPtr<CAutomationDouble> m_automation;
    ComPtr<CClassFactoryDouble> m_factory;
};

TEST_F(UIAToolsTest, FindsTheFirstListItemWithExactlyThatName) {
    CRegisteredClass registration(__uuidof(CUIAutomation), m_factory.Get());
    ASSERT_TRUE(registration.IsRegistered());
    RECT rect = kUntouched;
    EXPECT_EQ(Lookup(m_view.get(), L"readme.txt", rect), 0);
    EXPECT_EQ(rect, kFirst);
    EXPECT_EQ(Lookup(m_view.get(), L"README.TXT", rect), 0);
    EXPECT_EQ(rect, kUpper);
    EXPECT_EQ(Lookup(m_view.get(), L"日本語.txt", rect), 0);
    EXPECT_EQ(rect, kSecond);
}

TEST_F(UIAToolsTest, NoListItemOfThatNameIsNotFoundAndNotLogged) {
    CRegisteredClass registration(__uuidof(CUIAutomation), m_factory.Get());
    for (const wchar_t* name : {L"Readme.txt", L"readme.tx", L"readme.txt ", L"report.txt", L""}) {
        RECT rect = kUntouched;
        EXPECT_EQ(Lookup(m_view.get(), name, rect), -1);
        EXPECT_EQ(rect, kUntouched);
    }
}

struct Failure {
    const char* m_fault;
    const char* m_logged;
};

// A lookup whose setup failed fails again at the lookup itself; of the two, only the first is
// logged: one entry per window a minute.
TEST_F(UIAToolsTest, EachFailureIsLoggedAndLeavesTheRectangle) {
    const Failure failures[] = {
        {"ElementFromHandle", "failed: ElementFromHandle"},
        {"get_ControlViewCondition", "failed: get_ControlViewCondition"},
        {"CreatePropertyCondition", "failed: CreatePropertyCondition"},
        {"CreateAndCondition", "failed: CreateAndCondition"},
        {"FindFirst", "failed: FindFirst"},
        {"get_CurrentBoundingRectangle", "failed: get_CurrentBoundingRectangle"},
    };
    CRegisteredClass registration(__uuidof(CUIAutomation), m_factory.Get());
    for (const Failure& failure : failures) {
        CScopedFault fault(failure.m_fault);
        ExpectLogged(failure.m_logged);
        RECT rect = kUntouched;
        EXPECT_EQ(Lookup(m_view.get(), L"readme.txt", rect), -1) << failure.m_fault;
        EXPECT_EQ(rect, kUntouched) << failure.m_fault;
    }
}

TEST_F(UIAToolsTest, WithoutAWindowNothingIsCreated) {
    CRegisteredClass registration(__uuidof(CUIAutomation), m_factory.Get());
    RECT rect = kUntouched;
    ExpectLogged("failed: m_pUIAElem NULL");
    EXPECT_EQ(Lookup(nullptr, L"readme.txt", rect), -1);
    EXPECT_EQ(m_factory->m_cCreated, 0);
}

// Wine has no UI Automation client: the creation fails at every lookup, and is logged once.
TEST_F(UIAToolsTest, WineHasNoAutomationObject) {
    RECT rect = kUntouched;
    ExpectLogged("failed: CoCreateInstance");
    for (int lookup = 0; lookup < 3; ++lookup) {
        EXPECT_EQ(Lookup(m_view.get(), L"readme.txt", rect), -1);
    }
    EXPECT_EQ(rect, kUntouched);
}

} // namespace
