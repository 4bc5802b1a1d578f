#pragma once
// Stand-ins for the UI Automation client, which Wine lacks: an automation object that knows one
// window's element, whose descendants are list items and other elements with names and bounds.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ComDoubles.h"
#include "support/UniqueHandle.h"
#include "UiaStubs.h"

constexpr int kHeaderControlType = 50034;

struct ElementData {
    std::wstring m_name;
    int m_controlType = UIA_ListItemControlTypeId;
    RECT m_rect{};
};

// What the searches of the view's element were asked, in order; a test may hold each search
// until it lets it go (the searches run on a worker thread).
class CFindLog {
  public:
    CFindLog();
    void Record(const std::wstring& name);
    std::vector<std::wstring> Names();
    // While held, each search signals Entered() and waits until Release().
    void Hold() { m_bHold = true; }
    HANDLE Entered() const { return m_hEntered.get(); }
    void Release() { SetEvent(m_hRelease.get()); }

  private:
    std::mutex m_lock;
    std::vector<std::wstring> m_names;
    bool m_bHold = false;
    unique_handle m_hEntered;
    unique_handle m_hRelease;
};

// A condition as the automation object builds it: the control view (every element here is a
// control), a control type, a name (compared exactly, as the automation does by default), or
// two of them at once.
class CConditionDouble : public CUnknownImpl<IUIAutomationCondition> {
  public:
    enum class Kind { ControlView, ControlType, Name, And };
    CConditionDouble(Kind kind, int controlType = 0) : m_kind(kind), m_controlType(controlType) {}
    explicit CConditionDouble(std::wstring name) : m_kind(Kind::Name), m_name(std::move(name)) {}
    CConditionDouble(Microsoft::WRL::ComPtr<CConditionDouble> first,
                     Microsoft::WRL::ComPtr<CConditionDouble> second)
        : m_kind(Kind::And), m_first(std::move(first)), m_second(std::move(second)) {}

    // The name the condition asks for, if any.
    std::wstring Name() const {
        if (m_kind == Kind::Name) {
            return m_name;
        }
        return m_kind == Kind::And ? m_first->Name() + m_second->Name() : std::wstring();
    }
    bool Matches(const ElementData& element) const {
        switch (m_kind) {
        case Kind::ControlView:
            return true;
        case Kind::ControlType:
            return element.m_controlType == m_controlType;
        case Kind::Name:
            return element.m_name == m_name;
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
    Microsoft::WRL::ComPtr<CConditionDouble> m_first;
    Microsoft::WRL::ComPtr<CConditionDouble> m_second;
};

// One element: a list item, or the view, whose descendants FindFirst searches in tree order
// (fault "FindFirst").
class CElementDouble : public CUnknownImpl<IUIAutomationElementNotImplemented> {
  public:
    explicit CElementDouble(ElementData data) : m_data(std::move(data)) {}
    CElementDouble(std::vector<ElementData> descendants, std::shared_ptr<CFindLog> log)
        : m_descendants(std::move(descendants)), m_log(std::move(log)) {}

    HRESULT STDMETHODCALLTYPE FindFirst(TreeScope scope, IUIAutomationCondition* condition,
                                        IUIAutomationElement** found) override {
        *found = nullptr;
        if (Fails("FindFirst") || scope != TreeScope_Descendants || condition == nullptr) {
            return E_INVALIDARG;
        }
        const auto* filter = static_cast<CConditionDouble*>(condition);
        if (m_log) {
            m_log->Record(filter->Name());
        }
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
        *rect = m_data.m_rect;
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
    std::shared_ptr<CFindLog> m_log;
};

// Knows one window's element. Faults: "ElementFromHandle", "get_ControlViewCondition",
// "CreatePropertyCondition", "CreateAndCondition".
class CAutomationDouble : public CUnknownImpl<IUIAutomationNotImplemented> {
  public:
    CAutomationDouble(HWND hWnd, std::vector<ElementData> descendants,
                      std::shared_ptr<CFindLog> log = nullptr)
        : m_hWnd(hWnd), m_root(MakeDouble<CElementDouble>(std::move(descendants), std::move(log))) {
    }

    HRESULT STDMETHODCALLTYPE ElementFromHandle(UIA_HWND hwnd,
                                                IUIAutomationElement** element) override {
        *element = nullptr;
        if (Fails("ElementFromHandle") || hwnd != m_hWnd) {
            return E_INVALIDARG;
        }
        *element = Microsoft::WRL::ComPtr<CElementDouble>(m_root).Detach();
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
    static HRESULT Hand(IUIAutomationCondition** out,
                        Microsoft::WRL::ComPtr<CConditionDouble> condition) {
        *out = condition.Detach();
        return *out ? S_OK : E_INVALIDARG;
    }

    HWND m_hWnd;
    Microsoft::WRL::ComPtr<CElementDouble> m_root;
};
