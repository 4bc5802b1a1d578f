#include "view/UIATools.h"

#include <gtest/gtest.h>

#include <vector>

#include "ComDoubles.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

// Found by argument-dependent lookup only at global scope, where RECT lives.
static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

constexpr int kHeaderControlType = 50034;

struct ElementData {
    std::wstring name;
    int controlType = UIA_ListItemControlTypeId;
    RECT rect{};
};

// A condition as the automation object builds it: the control view (every element here is a
// control), a control type, a name (compared exactly, as the automation does by default), or
// two of them at once.
class CConditionDouble : public CUnknownImpl<IUIAutomationCondition> {
  public:
    enum class Kind { ControlView, ControlType, Name, And };
    CConditionDouble(Kind kind, int controlType = 0) : m_kind(kind), m_controlType(controlType) {}
    explicit CConditionDouble(std::wstring name) : m_kind(Kind::Name), m_name(std::move(name)) {}
    CConditionDouble(ComPtr<CConditionDouble> first, ComPtr<CConditionDouble> second)
        : m_kind(Kind::And), m_first(std::move(first)), m_second(std::move(second)) {}

    bool Matches(const ElementData& element) const {
        switch (m_kind) {
        case Kind::ControlView:
            return true;
        case Kind::ControlType:
            return element.controlType == m_controlType;
        case Kind::Name:
            return element.name == m_name;
        case Kind::And:
            return m_first->Matches(element) && m_second->Matches(element);
        }
        return false;
    }

  protected:
    void* Find(REFIID riid) override {
        return riid == __uuidof(IUIAutomationCondition) ? static_cast<IUIAutomationCondition*>(this)
                                                        : nullptr;
    }

  private:
    Kind m_kind;
    int m_controlType = 0;
    std::wstring m_name;
    ComPtr<CConditionDouble> m_first;
    ComPtr<CConditionDouble> m_second;
};

// One element: a list item, or the view, whose descendants FindFirst searches in tree order
// (fault "FindFirst").
class CElementDouble : public CUnknownImpl<IUIAutomationElement> {
  public:
    explicit CElementDouble(ElementData data) : m_data(std::move(data)) {}
    explicit CElementDouble(std::vector<ElementData> descendants)
        : m_descendants(std::move(descendants)) {}

    HRESULT STDMETHODCALLTYPE FindFirst(TreeScope scope, IUIAutomationCondition* condition,
                                        IUIAutomationElement** found) override {
        *found = nullptr;
        if (Fails("FindFirst") || scope != TreeScope_Descendants || condition == nullptr) {
            return E_INVALIDARG;
        }
        const auto* filter = static_cast<CConditionDouble*>(condition);
        for (const ElementData& element : m_descendants) {
            if (filter->Matches(element)) {
                *found = MakeDouble<CElementDouble>(element).Detach();
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CurrentBoundingRectangle(RECT* rect) override {
        if (Fails("get_CurrentBoundingRectangle")) {
            return E_FAIL;
        }
        *rect = m_data.rect;
        return S_OK;
    }

  protected:
    void* Find(REFIID riid) override {
        return riid == __uuidof(IUIAutomationElement) ? static_cast<IUIAutomationElement*>(this)
                                                      : nullptr;
    }

  private:
    ElementData m_data;
    std::vector<ElementData> m_descendants;
};

// Knows one window's element. Faults: "ElementFromHandle", "get_ControlViewCondition",
// "CreatePropertyCondition", "CreateAndCondition".
class CAutomationDouble : public CUnknownImpl<IUIAutomation> {
  public:
    CAutomationDouble(HWND hWnd, std::vector<ElementData> descendants)
        : m_hWnd(hWnd), m_root(MakeDouble<CElementDouble>(std::move(descendants))) {}

    HRESULT STDMETHODCALLTYPE ElementFromHandle(UIA_HWND hwnd,
                                                IUIAutomationElement** element) override {
        *element = nullptr;
        if (Fails("ElementFromHandle") || hwnd != m_hWnd) {
            return E_INVALIDARG;
        }
        *element = ComPtr<CElementDouble>(m_root).Detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ControlViewCondition(IUIAutomationCondition** out) override {
        return Hand(out, Fails("get_ControlViewCondition")
                             ? nullptr
                             : MakeDouble<CConditionDouble>(CConditionDouble::Kind::ControlView));
    }
    HRESULT STDMETHODCALLTYPE CreatePropertyCondition(PROPERTYID property, VARIANT value,
                                                      IUIAutomationCondition** out) override {
        if (Fails("CreatePropertyCondition")) {
            return Hand(out, nullptr);
        }
        if (property == UIA_ControlTypePropertyId && value.vt == VT_I4) {
            return Hand(
                out, MakeDouble<CConditionDouble>(CConditionDouble::Kind::ControlType, value.lVal));
        }
        if (property == UIA_NamePropertyId && value.vt == VT_BSTR) {
            return Hand(out, MakeDouble<CConditionDouble>(
                                 std::wstring(value.bstrVal, SysStringLen(value.bstrVal))));
        }
        return Hand(out, nullptr);
    }
    HRESULT STDMETHODCALLTYPE CreateAndCondition(IUIAutomationCondition* first,
                                                 IUIAutomationCondition* second,
                                                 IUIAutomationCondition** out) override {
        if (Fails("CreateAndCondition") || first == nullptr || second == nullptr) {
            return Hand(out, nullptr);
        }
        return Hand(out, MakeDouble<CConditionDouble>(static_cast<CConditionDouble*>(first),
                                                      static_cast<CConditionDouble*>(second)));
    }

  protected:
    void* Find(REFIID riid) override {
        return riid == __uuidof(IUIAutomation) ? static_cast<IUIAutomation*>(this) : nullptr;
    }

  private:
    static HRESULT Hand(IUIAutomationCondition** out, ComPtr<CConditionDouble> condition) {
        *out = condition.Detach();
        return *out ? S_OK : E_INVALIDARG;
    }

    HWND m_hWnd;
    ComPtr<CElementDouble> m_root;
};

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

    // As the tooltip's worker thread does it: construct, initialise COM, Init, one lookup.
    int Lookup(HWND hWnd, const std::wstring& name, RECT& rect) {
        CUIATools tools(hWnd);
        CoInitialize(nullptr);
        tools.Init();
        return tools.FindItemRect(name, rect);
    }

    CComScope m_com;
    unique_hwnd m_view{CreateWindowExW(0, L"STATIC", L"view", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr)};
    ComPtr<CAutomationDouble> m_automation;
    ComPtr<CClassFactoryDouble> m_factory;
};

TEST_F(UIAToolsTest, FindsTheFirstListItemWithExactlyThatName) {
    CRegisteredClass registration(CLSID_CUIAutomation, m_factory.Get());
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
    CRegisteredClass registration(CLSID_CUIAutomation, m_factory.Get());
    for (const wchar_t* name : {L"Readme.txt", L"readme.tx", L"readme.txt ", L"report.txt", L""}) {
        RECT rect = kUntouched;
        EXPECT_EQ(Lookup(m_view.get(), name, rect), -1);
        EXPECT_EQ(rect, kUntouched);
    }
}

struct Failure {
    const char* fault;
    std::vector<const char*> logged;
};

TEST_F(UIAToolsTest, EachFailureIsLoggedAndLeavesTheRectangle) {
    const Failure failures[] = {
        {"ElementFromHandle", {"failed: ElementFromHandle", "failed: m_pUIAElem NULL"}},
        {"get_ControlViewCondition",
         {"failed: get_ControlViewCondition", "failed: CreateAndCondition"}},
        {"CreatePropertyCondition",
         {"failed: CreatePropertyCondition", "failed: CreatePropertyCondition"}},
        {"CreateAndCondition", {"failed: CreateAndCondition", "failed: CreateAndCondition"}},
        {"FindFirst", {"failed: FindFirst"}},
        {"get_CurrentBoundingRectangle", {"failed: get_CurrentBoundingRectangle"}},
    };
    CRegisteredClass registration(CLSID_CUIAutomation, m_factory.Get());
    for (const Failure& failure : failures) {
        CScopedFault fault(failure.fault);
        for (const char* text : failure.logged) {
            ExpectLogged(text);
        }
        RECT rect = kUntouched;
        EXPECT_EQ(Lookup(m_view.get(), L"readme.txt", rect), -1) << failure.fault;
        EXPECT_EQ(rect, kUntouched) << failure.fault;
    }
}

TEST_F(UIAToolsTest, WithoutAWindowNothingIsCreated) {
    CRegisteredClass registration(CLSID_CUIAutomation, m_factory.Get());
    RECT rect = kUntouched;
    ExpectLogged("failed: m_pUIAElem NULL");
    EXPECT_EQ(Lookup(nullptr, L"readme.txt", rect), -1);
    EXPECT_EQ(m_factory->m_cCreated, 0);
}

// Wine has no UI Automation client: one entry for the creation, one for the lookup.
TEST_F(UIAToolsTest, WineHasNoAutomationObject) {
    RECT rect = kUntouched;
    ExpectLogged("failed: CoCreateInstance");
    ExpectLogged("failed: m_pUIAElem NULL");
    EXPECT_EQ(Lookup(m_view.get(), L"readme.txt", rect), -1);
    EXPECT_EQ(rect, kUntouched);
}

} // namespace
