#include "view/UIATools.h"

#include <stdexcept>
#include <string_view>

#include "support/EventLog.h"
#include "view/ComCheck.h"
#include "support/UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace {

using unique_bstr = unique_any<BSTR, SysFreeString>;

// Exact comparison: a name that differs only in letter case is another item.
bool HasName(IUIAutomationElement* element, const std::wstring& name) {
    BSTR rawName = nullptr;
    Check(element->get_CurrentName(&rawName), "failed: get_CurrentName");
    const unique_bstr current(rawName);
    const std::wstring_view text(current.get(), current ? SysStringLen(current.get()) : 0);
    return text == name;
}

} // namespace

CUIATools::~CUIATools() {
    m_pAutomation.Reset();
    m_pUIAElem.Reset();
    m_pListItemCondition.Reset();
    CoUninitialize();
}

void CUIATools::Init() noexcept {
    try {
        InitOrThrow();
    } catch (const std::exception& e) {
        m_bInitialized = 0;
        ReportErrorEvent(e.what());
    } catch (...) {
        m_bInitialized = 0;
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
    m_bInitialized = 1;
}

int CUIATools::FindItemRect(const std::wstring& name, RECT& rect) noexcept {
    try {
        return FindOrThrow(name, rect) ? 0 : -1;
    } catch (const std::exception& e) {
        ReportErrorEvent(e.what());
        return -1;
    } catch (...) {
        return -1;
    }
}

bool CUIATools::FindOrThrow(const std::wstring& name, RECT& rect) {
    CheckNotNull(m_pUIAElem, "failed: m_pUIAElem NULL");
    ComPtr<IUIAutomationElementArray> found;
    Check(m_pUIAElem->FindAll(TreeScope_Descendants, m_pListItemCondition.Get(), &found),
          "failed: FindAll");
    CheckNotNull(found, "failed: FindAll");
    int length = 0;
    Check(found->get_Length(&length), "failed: get_Length");
    for (int i = 0; i < length; ++i) {
        ComPtr<IUIAutomationElement> element;
        Check(found->GetElement(i, &element), "failed: GetElement");
        CheckNotNull(element, "failed: GetElement");
        if (HasName(element.Get(), name)) {
            RECT bounds{};
            Check(element->get_CurrentBoundingRectangle(&bounds),
                  "failed: get_CurrentBoundingRectangle");
            rect = bounds;
            return true;
        }
    }
    return false;
}
