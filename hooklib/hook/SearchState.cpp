#include "hook/SearchState.h"

#include "hook/Messages.h"
#include "settings/SharedBlock.h"
#include "support/ModuleVersion.h"
#include "view/UIATools.h"

namespace {

// What the worker needs to place the tip below the selected item; owned by the worker.
struct TipLocateRequest {
    HWND m_hView;
    HWND m_hTip;
    std::wstring m_itemName;
    int m_displayMs;
};

void LocateTip(const TipLocateRequest& request) {
    CUIATools tools(request.m_hView);
    // Balanced by the tools' destructor, after they have released their interfaces.
    CoInitialize(nullptr);
    tools.Init();
    RECT rect{};
    if (tools.FindItemRect(request.m_itemName, rect) == 0) {
        PostMessageW(request.m_hTip, WM_INFOTIP_SHOWAT, static_cast<WPARAM>(request.m_displayMs),
                     MakeInfoTipPosition(rect.left, rect.bottom));
    }
}

// Finding an item on screen through UI Automation can be slow, so it never runs on the view's
// thread. The worker keeps the library loaded until it has returned from the library's code.
DWORD WINAPI TipLocateThread(void* parameter) noexcept {
    std::unique_ptr<TipLocateRequest> request(static_cast<TipLocateRequest*>(parameter));
    try {
        LocateTip(*request);
    } catch (...) {
    }
    request.reset();
    FreeLibraryAndExitThread(GetThisModule(), 0);
}

void StartTipLocateThread(std::unique_ptr<TipLocateRequest> request) {
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&TipLocateThread), &pinned)) {
        return;
    }
    HANDLE thread = CreateThread(nullptr, 0, TipLocateThread, request.get(), 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(pinned);
        return;
    }
    request.release();
    CloseHandle(thread);
}

RECT ViewRect(const CWndCtrl* ctrl) {
    RECT rect{};
    if (ctrl != nullptr) {
        GetWindowRect(ctrl->GetWnd(), &rect);
    }
    return rect;
}

} // namespace

SearchState::~SearchState() = default;

void SearchState::OnNoMatch() {
    if (m_pTip) {
        const RECT view = ViewRect(m_pCtrl.get());
        m_pTip->m_x = view.left;
        m_pTip->m_y = view.top;
        m_pTip->SetText(m_searchText);
        m_pTip->Show(Shared.ToolTipAutoPopDelay);
    }
    MessageBeep(0xFFFFFFFF);
}

void SearchState::OnSelected(const Candidate& candidate) {
    if (!m_pTip || !m_pCtrl) {
        return;
    }
    const RECT view = ViewRect(m_pCtrl.get());
    m_pTip->m_x = view.left;
    m_pTip->m_y = view.top;
    CStdString text;
    text.Format(L"%s : %s", m_searchText.c_str(), candidate.m_matchedText.c_str());
    m_pTip->SetText(text);
    // Candidates outlive a reset, which may have shortened the names: never index past them.
    if (candidate.m_itemIndex >= m_itemNames.size()) {
        return;
    }
    auto request = std::make_unique<TipLocateRequest>(TipLocateRequest{
        m_pCtrl->GetWnd(), m_pTip->GetWnd(), std::wstring(m_itemNames[candidate.m_itemIndex]),
        Shared.ToolTipAutoPopDelay});
    StartTipLocateThread(std::move(request));
}
