#pragma once
// The search state of one attached window, in the process that owns the window. Only that
// window's thread touches it.
#include <windows.h>

#include <memory>

#include "hook/TipLocator.h"
#include "search/Keystroke.h"
#include "search/SearchRun.h"
#include "ui/InfoTip.h"

struct SearchState : SearchCore {
    SearchState() = default;
    SearchState(const SearchState&) = delete;
    SearchState& operator=(const SearchState&) = delete;
    SearchState(SearchState&&) = default;
    SearchState& operator=(SearchState&&) = default;
    ~SearchState() override;

    // Tip "search : 一致なし" at the view's top-left corner, announced, and a beep.
    void OnNoMatch() override;
    // Tip text "search : matched (position/count)", announced, and placed below the item on
    // screen: at once where the view tells the item's bounds, by a worker where only UI
    // Automation can find them.
    void OnSelected(const Candidate& candidate) override;
    // Hides the tip.
    void OnReset() override;

    std::unique_ptr<CInfoTip> m_pTip;
    WNDPROC m_pfnOrigWndProc = nullptr;
    CTipLocator m_tipLocator;
    CImeSwitch m_ime;
    // The window's key handlers on the stack. While one runs, the thread may take sent messages
    // (a COM call waits in a message loop, a modal dialog runs one, a SendMessage to another
    // thread answers incoming sends): a detach or destroy arriving then is only marked, and is
    // carried out when the outermost handler returns, so nothing of this state is freed under it.
    int m_activeHandlers = 0;
    bool m_detachPending = false;
};
