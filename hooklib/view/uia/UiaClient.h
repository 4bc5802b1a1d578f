#pragma once
// The UI Automation client interfaces that mingw-w64's headers lack, as far as this library
// calls them. Slots keep the published order; the ones never called are placeholders whose
// bodies only matter to in-process implementations (the tests' stand-ins), never to callers.
#include <windows.h>
#include <oaidl.h>

// A vtable slot that is declared but never called.
#define SKIMVUE_UIA_UNUSED_SLOT(n)                                                                 \
    virtual HRESULT STDMETHODCALLTYPE Unused##n() {                                                \
        return E_NOTIMPL;                                                                          \
    }

using PROPERTYID = int;
using UIA_HWND = void*;

enum TreeScope {
    TreeScope_Descendants = 0x4,
};

constexpr PROPERTYID UIA_ControlTypePropertyId = 30003;
constexpr PROPERTYID UIA_NamePropertyId = 30005;
constexpr int UIA_ListItemControlTypeId = 50007;

struct IUIAutomationCondition : public IUnknown {};

// Slots 3 to 40 of the element: up to the current bounding rectangle.
struct IUIAutomationElement : public IUnknown {
    SKIMVUE_UIA_UNUSED_SLOT(SetFocus)
    SKIMVUE_UIA_UNUSED_SLOT(GetRuntimeId)
    virtual HRESULT STDMETHODCALLTYPE FindFirst(TreeScope scope, IUIAutomationCondition* condition,
                                                IUIAutomationElement** found) = 0;
    SKIMVUE_UIA_UNUSED_SLOT(FindAll)
    SKIMVUE_UIA_UNUSED_SLOT(FindFirstBuildCache)
    SKIMVUE_UIA_UNUSED_SLOT(FindAllBuildCache)
    SKIMVUE_UIA_UNUSED_SLOT(BuildUpdatedCache)
    SKIMVUE_UIA_UNUSED_SLOT(GetCurrentPropertyValue)
    SKIMVUE_UIA_UNUSED_SLOT(GetCurrentPropertyValueEx)
    SKIMVUE_UIA_UNUSED_SLOT(GetCachedPropertyValue)
    SKIMVUE_UIA_UNUSED_SLOT(GetCachedPropertyValueEx)
    SKIMVUE_UIA_UNUSED_SLOT(GetCurrentPatternAs)
    SKIMVUE_UIA_UNUSED_SLOT(GetCachedPatternAs)
    SKIMVUE_UIA_UNUSED_SLOT(GetCurrentPattern)
    SKIMVUE_UIA_UNUSED_SLOT(GetCachedPattern)
    SKIMVUE_UIA_UNUSED_SLOT(GetCachedParent)
    SKIMVUE_UIA_UNUSED_SLOT(GetCachedChildren)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentProcessId)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentControlType)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentLocalizedControlType)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentName)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentAcceleratorKey)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentAccessKey)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentHasKeyboardFocus)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsKeyboardFocusable)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsEnabled)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentAutomationId)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentClassName)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentHelpText)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentCulture)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsControlElement)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsContentElement)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsPassword)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentNativeWindowHandle)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentItemType)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsOffscreen)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentOrientation)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentFrameworkId)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentIsRequiredForForm)
    SKIMVUE_UIA_UNUSED_SLOT(get_CurrentItemStatus)
    virtual HRESULT STDMETHODCALLTYPE get_CurrentBoundingRectangle(RECT* rect) = 0;
};

// Slots 3 to 25 of the automation object: up to CreateAndCondition.
struct IUIAutomation : public IUnknown {
    SKIMVUE_UIA_UNUSED_SLOT(CompareElements)
    SKIMVUE_UIA_UNUSED_SLOT(CompareRuntimeIds)
    SKIMVUE_UIA_UNUSED_SLOT(GetRootElement)
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(UIA_HWND hwnd,
                                                        IUIAutomationElement** element) = 0;
    SKIMVUE_UIA_UNUSED_SLOT(ElementFromPoint)
    SKIMVUE_UIA_UNUSED_SLOT(GetFocusedElement)
    SKIMVUE_UIA_UNUSED_SLOT(GetRootElementBuildCache)
    SKIMVUE_UIA_UNUSED_SLOT(ElementFromHandleBuildCache)
    SKIMVUE_UIA_UNUSED_SLOT(ElementFromPointBuildCache)
    SKIMVUE_UIA_UNUSED_SLOT(GetFocusedElementBuildCache)
    SKIMVUE_UIA_UNUSED_SLOT(CreateTreeWalker)
    SKIMVUE_UIA_UNUSED_SLOT(get_ControlViewWalker)
    SKIMVUE_UIA_UNUSED_SLOT(get_ContentViewWalker)
    SKIMVUE_UIA_UNUSED_SLOT(get_RawViewWalker)
    SKIMVUE_UIA_UNUSED_SLOT(get_RawViewCondition)
    virtual HRESULT STDMETHODCALLTYPE
    get_ControlViewCondition(IUIAutomationCondition** condition) = 0;
    SKIMVUE_UIA_UNUSED_SLOT(get_ContentViewCondition)
    SKIMVUE_UIA_UNUSED_SLOT(CreateCacheRequest)
    SKIMVUE_UIA_UNUSED_SLOT(CreateTrueCondition)
    SKIMVUE_UIA_UNUSED_SLOT(CreateFalseCondition)
    virtual HRESULT STDMETHODCALLTYPE CreatePropertyCondition(
        PROPERTYID propertyId, VARIANT value, IUIAutomationCondition** newCondition) = 0;
    SKIMVUE_UIA_UNUSED_SLOT(CreatePropertyConditionEx)
    virtual HRESULT STDMETHODCALLTYPE CreateAndCondition(IUIAutomationCondition* condition1,
                                                         IUIAutomationCondition* condition2,
                                                         IUIAutomationCondition** newCondition) = 0;
};

#undef SKIMVUE_UIA_UNUSED_SLOT

// {FF48DBA4-60EF-4201-AA87-54103EEF594E}
constexpr CLSID CLSID_CUIAutomation = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};

__CRT_UUID_DECL(IUIAutomationCondition, 0x352ffba8, 0x0973, 0x437c, 0xa6, 0x1f, 0xf6, 0x4c, 0xaf,
                0xd8, 0x1d, 0xf9)
__CRT_UUID_DECL(IUIAutomationElement, 0xd22108aa, 0x8ac5, 0x49a5, 0x83, 0x7b, 0x37, 0xbb, 0xb3,
                0xd7, 0x59, 0x1e)
__CRT_UUID_DECL(IUIAutomation, 0x30cbe57d, 0xd9d0, 0x452a, 0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25,
                0xee)
