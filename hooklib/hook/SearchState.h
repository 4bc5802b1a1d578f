#pragma once
// The search state of one attached window, in the process that owns the window. Only that
// window's thread touches it.
#include <windows.h>

#include <memory>

#include "search/SearchRun.h"
#include "ui/InfoTip.h"

struct SearchState : SearchCore {
    SearchState() = default;
    SearchState(SearchState&&) = default;
    SearchState& operator=(SearchState&&) = default;
    ~SearchState() override;

    // Tip at the view's top-left corner with the search text alone, and a beep.
    void OnNoMatch() override;
    // Tip text "search : matched"; a worker places the tip below the item on screen.
    void OnSelected(const Candidate& candidate) override;

    HHOOK m_hHook = nullptr; // the hook whose handshake attached the window; removed on detach
    std::unique_ptr<CInfoTip> m_pTip;
    WNDPROC m_pfnOrigWndProc = nullptr;
    DWORD m_dwLastKeyTick = 0;
};
