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
// control), a control-type property, or both at once.
class CConditionDouble : public CUnknownImpl<IUIAutomationCondition> {
  public:
    enum class Kind { ControlView, ControlType, And };
    CConditionDouble(Kind kind, int controlType = 0) : m_kind(kind), m_controlType(controlType) {}
    CConditionDouble(ComPtr<CConditionDouble> first, ComPtr<CConditionDouble> second)
        : m_kind(Kind::And), m_first(std::move(first)), m_second(std::move(second)) {}

    bool Matches(const ElementData& element) const {
        switch (m_kind) {
        case Kind::ControlView:
            return true;
        case Kind::ControlType:
            return element.controlType == m_controlType;
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
    ComPtr<CConditionDouble> m_first;
    ComPtr<CConditionDouble> m_second;
};

// One element: a list item (faults "get_CurrentName" and "get_CurrentBoundingRectangle" from its
// position on) or the view, whose descendants FindAll filters (fault "FindAll").
class CElementDouble : public CUnknownImpl<IUIAutomationElement> {
  public:
    CElementDouble(ElementData data, size_t index) : m_data(std::move(data)), m_index(index) {}
    explicit CElementDouble(std::vector<ElementData> descendants)
        : m_descendants(std::move(descendants)) {}

    HRESULT STDMETHODCALLTYPE FindAll(TreeScope scope, IUIAutomationCondition* condition,
                                      IUIAutomationElementArray** found) override;
    HRESULT STDMETHODCALLTYPE get_CurrentName(BSTR* name) override {
        *name = nullptr;
        if (Fails("get_CurrentName", m_index)) {
            return E_FAIL;
        }
        *name = SysAllocStringLen(m_data.name.data(), static_cast<UINT>(m_data.name.size()));
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
    size_t m_index = 0;
    std::vector<ElementData> m_descendants;
};

// Faults: "get_Length", "GetElement" from an index on.
class CElementArrayDouble : public CUnknownImpl<IUIAutomationElementArray> {
  public:
    explicit CElementArrayDouble(std::vector<ElementData> elements)
        : m_elements(std::move(elements)) {}

    HRESULT STDMETHODCALLTYPE get_Length(int* length) override {
        if (Fails("get_Length")) {
            return E_FAIL;
        }
        *length = static_cast<int>(m_elements.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetElement(int index, IUIAutomationElement** element) override {
        *element = nullptr;
        if (Fails("GetElement", index) || index < 0 ||
            index >= static_cast<int>(m_elements.size())) {
            return E_INVALIDARG;
        }
        *element = MakeDouble<CElementDouble>(m_elements[index], index).Detach();
        return S_OK;
    }

  protected:
    void* Find(REFIID riid) override {
        return riid == __uuidof(IUIAutomationElementArray)
                   ? static_cast<IUIAutomationElementArray*>(this)
                   : nullptr;
    }

  private:
    std::vector<ElementData> m_elements;
};

HRESULT CElementDouble::FindAll(TreeScope scope, IUIAutomationCondition* condition,
                                IUIAutomationElementArray** found) {
    *found = nullptr;
    if (Fails("FindAll") || scope != TreeScope_Descendants || condition == nullptr) {
        return E_INVALIDARG;
    }
    const auto* filter = static_cast<CConditionDouble*>(condition);
    std::vector<ElementData> matching;
    for (const ElementData& element : m_descendants) {
        if (filter->Matches(element)) {
            matching.push_back(element);
        }
    }
    *found = MakeDouble<CElementArrayDouble>(std::move(matching)).Detach();
    return S_OK;
}

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
        const bool valid = property == UIA_ControlTypePropertyId && value.vt == VT_I4;
        return Hand(out, Fails("CreatePropertyCondition") || !valid
                             ? nullptr
                             : MakeDouble<CConditionDouble>(CConditionDouble::Kind::ControlType,
                                                            value.lVal));
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
        {"get_ControlViewCondition", {"failed: get_ControlViewCondition", "failed: FindAll"}},
        {"CreatePropertyCondition", {"failed: CreatePropertyCondition", "failed: FindAll"}},
        {"CreateAndCondition", {"failed: CreateAndCondition", "failed: FindAll"}},
        {"FindAll", {"failed: FindAll"}},
        {"get_Length", {"failed: get_Length"}},
        {"GetElement", {"failed: GetElement"}},
        {"get_CurrentName", {"failed: get_CurrentName"}},
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

TEST_F(UIAToolsTest, ANameReadFailureAfterTheMatchDoesNotMatter) {
    CRegisteredClass registration(CLSID_CUIAutomation, m_factory.Get());
    CScopedFault fault("get_CurrentName", 3);
    RECT rect = kUntouched;
    EXPECT_EQ(Lookup(m_view.get(), L"readme.txt", rect), 0);
    EXPECT_EQ(rect, kFirst);
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
