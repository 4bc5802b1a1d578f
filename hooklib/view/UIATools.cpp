#include "view/UIATools.h"

#include "support/Failure.h"
#include "support/FailureReport.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace {

// The lookups run for every selection: a view without automation fails at each, and is logged
// once a minute for the window.
constexpr FailureAudience kLookupFailure = FailureAudience::User;

} // namespace

CUIATools::~CUIATools() = default;

void CUIATools::Init() noexcept {
    const bool initialized =
        ReportingBarrier(L"CUIATools::Init", m_hWnd, kLookupFailure, false, [this] {
            InitOrThrow();
            return true;
        });
    if (!initialized) {
        m_bInitialized = false;
    }
}

void CUIATools::InitOrThrow() {
    m_pAutomation.Reset();
    m_pUIAElem.Reset();
    m_pListItemCondition.Reset();
    if (m_hWnd == nullptr) {
        return;
    }
    SKIMVUE_CHECK_HR(CoCreateInstance(__uuidof(CUIAutomation), nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&m_pAutomation)));
    SKIMVUE_CHECK_NOT_NULL(m_pAutomation);
    SKIMVUE_CHECK_HR_OF(m_pAutomation, ElementFromHandle, m_hWnd, &m_pUIAElem);
    ComPtr<IUIAutomationCondition> controlView;
    SKIMVUE_CHECK_HR_OF(m_pAutomation, get_ControlViewCondition, &controlView);
    VARIANT listItem;
    VariantInit(&listItem);
    listItem.vt = VT_I4;
    listItem.lVal = UIA_ListItemControlTypeId;
    ComPtr<IUIAutomationCondition> isListItem;
    SKIMVUE_CHECK_HR_OF(m_pAutomation, CreatePropertyCondition, UIA_ControlTypePropertyId, listItem,
                        &isListItem);
    SKIMVUE_CHECK_HR_OF(m_pAutomation, CreateAndCondition, controlView.Get(), isListItem.Get(),
                        &m_pListItemCondition);
    m_bInitialized = true;
}

int CUIATools::FindItemRect(const std::wstring& name, RECT& rect) noexcept {
    return ReportingBarrier(L"CUIATools::FindItemRect", m_hWnd, kLookupFailure, -1,
                            [&] { return FindOrThrow(name, rect) ? 0 : -1; });
}

// The automation asks the view for the one item of that name (an exact, case-sensitive
// comparison) instead of handing over every item: a folder may hold a hundred thousand.
bool CUIATools::FindOrThrow(const std::wstring& name, RECT& rect) {
    SKIMVUE_CHECK_NOT_NULL(m_pUIAElem);
    const ComPtr<IUIAutomationCondition> named = ListItemNamed(name);
    ComPtr<IUIAutomationElement> element;
    SKIMVUE_CHECK_HR_OF(m_pUIAElem, FindFirst, TreeScope_Descendants, named.Get(), &element);
    if (!element) {
        return false;
    }
    RECT bounds{};
    SKIMVUE_CHECK_HR_OF(element, get_CurrentBoundingRectangle, &bounds);
    rect = bounds;
    return true;
}

ComPtr<IUIAutomationCondition> CUIATools::ListItemNamed(const std::wstring& name) {
    SKIMVUE_CHECK_NOT_NULL(m_pAutomation);
    const unique_bstr text(
        SKIMVUE_CHECK_NOT_NULL(SysAllocStringLen(name.data(), static_cast<UINT>(name.size()))));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = text.get();
    ComPtr<IUIAutomationCondition> hasName;
    SKIMVUE_CHECK_HR_OF(m_pAutomation, CreatePropertyCondition, UIA_NamePropertyId, value,
                        &hasName);
    ComPtr<IUIAutomationCondition> named;
    SKIMVUE_CHECK_HR_OF(m_pAutomation, CreateAndCondition, m_pListItemCondition.Get(),
                        hasName.Get(), &named);
    return named;
}
