#include "ui/LiveRegion.h"

// The object's class and interface identifiers are defined here: nothing links oleacc.dll.
#include <initguid.h>
#include <oleacc.h>
#include <wrl/client.h>

namespace {

// UI Automation's LiveSetting property and its value Polite (uiautomationcoreapi.h, which does
// not compile as C++ with these headers) and the WinEvent that announces a live region's change
// (winuser.h of Windows 8 and later).
// {C12BCD8E-2A8E-4950-8AE7-3625111D58EB}
constexpr GUID kLiveSettingProperty{
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
constexpr DWORD kEventObjectLiveRegionChanged = 0x8019;

Microsoft::WRL::ComPtr<IAccPropServices> PropServices() {
    Microsoft::WRL::ComPtr<IAccPropServices> services;
    // Fails with CO_E_NOTINITIALIZED on a thread of the host that has no COM: the library never
    // initialises COM on a thread it does not own.
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(services.GetAddressOf()));
    return services;
}

} // namespace

bool MarkPoliteLiveRegion(HWND hWnd) {
    const Microsoft::WRL::ComPtr<IAccPropServices> services = PropServices();
    if (!services) {
        return false;
    }
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kPolite;
    return SUCCEEDED(services->SetHwndProp(hWnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                           kLiveSettingProperty, polite));
}

void ClearLiveRegion(HWND hWnd) {
    if (const Microsoft::WRL::ComPtr<IAccPropServices> services = PropServices()) {
        services->ClearHwndProps(hWnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 &kLiveSettingProperty, 1);
    }
}

void AnnounceLiveRegion(HWND hWnd) {
    NotifyWinEvent(kEventObjectLiveRegionChanged, hWnd, OBJID_CLIENT, CHILDID_SELF);
}
