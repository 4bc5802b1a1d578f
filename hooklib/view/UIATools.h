#pragma once
// Finds the screen rectangle of a view's item by its display name through UI Automation.
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include <uiautomationclient.h>

class CUIATools {
  public:
    // The using thread keeps COM initialised for as long as the object lives.
    explicit CUIATools(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CUIATools();
    CUIATools(const CUIATools&) = delete;
    CUIATools& operator=(const CUIATools&) = delete;

    // Prepares the automation object, the view's element and the list-item condition. A
    // failure is logged once; the fields set before it stay.
    void Init() noexcept;
    // 0 with the bounding rectangle (screen pixels) of the first list item named exactly name;
    // -1 with rect unchanged when there is none or the lookup failed (only failures are logged).
    int FindItemRect(const std::wstring& name, RECT& rect) noexcept;

  private:
    void InitOrThrow();
    bool FindOrThrow(const std::wstring& name, RECT& rect);
    Microsoft::WRL::ComPtr<IUIAutomationCondition> ListItemNamed(const std::wstring& name);

    HWND m_hWnd;
    bool m_bInitialized = false;
    Microsoft::WRL::ComPtr<IUIAutomation> m_pAutomation;
    Microsoft::WRL::ComPtr<IUIAutomationElement> m_pUIAElem;
    Microsoft::WRL::ComPtr<IUIAutomationCondition> m_pListItemCondition;
};
