#include "view/UIATools.h"

#include <stdexcept>

#include "support/Barrier.h"
#include "support/EventLog.h"
#include "view/ComCheck.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

CUIATools::~CUIATools() = default;

void CUIATools::Init() noexcept {
    try {
        InitOrThrow();
    } catch (const std::exception& e) {
        m_bInitialized = false;
        ReportRepeatedErrorEvent(m_hWnd, e.what());
    } catch (...) {
        m_bInitialized = false;
        TraceFailure(L"CUIATools::Init", nullptr);
    }
}

void CUIATools::InitOrThrow() {
    m_pAutomation.Reset();
    m_pUIAElem.Reset();
    m_pListItemCondition.Reset();
    if (m_hWnd == nullptr) {
        return;
    }
    Check(CoCreateInstance(CLSID_CUIAutomation, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(&m_pAutomation)),
          "failed: CoCreateInstance");
    CheckNotNull(m_pAutomation, "failed: CoCreateInstance");
    Check(m_pAutomation->ElementFromHandle(m_hWnd, &m_pUIAElem), "failed: ElementFromHandle");
    ComPtr<IUIAutomationCondition> controlView;
    Check(m_pAutomation->get_ControlViewCondition(&controlView),
          "failed: get_ControlViewCondition");
    VARIANT listItem;
    VariantInit(&listItem);
    listItem.vt = VT_I4;
    listItem.lVal = UIA_ListItemControlTypeId;
    ComPtr<IUIAutomationCondition> isListItem;
    Check(m_pAutomation->CreatePropertyCondition(UIA_ControlTypePropertyId, listItem, &isListItem),
          "failed: CreatePropertyCondition");
    Check(m_pAutomation->CreateAndCondition(controlView.Get(), isListItem.Get(),
                                            &m_pListItemCondition),
          "failed: CreateAndCondition");
    m_bInitialized = true;
}

int CUIATools::FindItemRect(const std::wstring& name, RECT& rect) noexcept {
    try {
        return FindOrThrow(name, rect) ? 0 : -1;
    } catch (const std::exception& e) {
        ReportRepeatedErrorEvent(m_hWnd, e.what());
        return -1;
    } catch (...) {
        TraceFailure(L"CUIATools::FindItemRect", nullptr);
        return -1;
    }
}

// The automation asks the view for the one item of that name (an exact, case-sensitive
// comparison) instead of handing over every item: a folder may hold a hundred thousand.
bool CUIATools::FindOrThrow(const std::wstring& name, RECT& rect) {
    CheckNotNull(m_pUIAElem, "failed: m_pUIAElem NULL");
    const ComPtr<IUIAutomationCondition> named = ListItemNamed(name);
    ComPtr<IUIAutomationElement> element;
    Check(m_pUIAElem->FindFirst(TreeScope_Descendants, named.Get(), &element), "failed: FindFirst");
    if (!element) {
        return false;
    }
    RECT bounds{};
    Check(element->get_CurrentBoundingRectangle(&bounds), "failed: get_CurrentBoundingRectangle");
    rect = bounds;
    return true;
}

ComPtr<IUIAutomationCondition> CUIATools::ListItemNamed(const std::wstring& name) {
    CheckNotNull(m_pAutomation, "failed: m_pAutomation NULL");
    const unique_bstr text(SysAllocStringLen(name.data(), static_cast<UINT>(name.size())));
    CheckNotNull(text.get(), "failed: SysAllocStringLen");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = text.get();
    ComPtr<IUIAutomationCondition> hasName;
    Check(m_pAutomation->CreatePropertyCondition(UIA_NamePropertyId, value, &hasName),
          "failed: CreatePropertyCondition");
    ComPtr<IUIAutomationCondition> named;
    Check(m_pAutomation->CreateAndCondition(m_pListItemCondition.Get(), hasName.Get(), &named),
          "failed: CreateAndCondition");
    return named;
}
