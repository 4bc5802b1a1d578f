#pragma once
// Places a window's tooltip below an item that only UI Automation can find on screen. That can
// take long in a large folder, so it runs off the view's thread, one lookup at a time per
// window: a request made while one runs waits, and a newer one replaces it.
#include <windows.h>

#include <memory>
#include <string>

// What a lookup needs; the answer reaches the tip as WM_INFOTIP_SHOWAT.
struct TipLocateRequest {
    HWND m_hView;
    HWND m_hTip;
    std::wstring m_itemName;
    int m_displayMs;
};

class CTipLocator {
  public:
    CTipLocator();
    // Hands the request to the window's worker, starting one when none runs.
    void Locate(TipLocateRequest request) noexcept;

    struct CQueue;

  private:
    // Shared with the worker, which may outlive the window's state.
    std::shared_ptr<CQueue> m_queue;
};
