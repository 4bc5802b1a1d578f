#include "hook/SearchState.h"

#include "settings/SharedBlock.h"
#include "support/Messages.h"

namespace {

// Said in place of the matched text when nothing matched: a screen reader has no beep to go by
// when the sound is off, and the tip's text is what it speaks.
constexpr wchar_t kNoMatch[] = L"一致なし";

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
        CStdString text;
        text.Format(L"%s : %s", m_searchText.c_str(), kNoMatch);
        m_pTip->SetText(text);
        m_pTip->Show(EffectiveToolTipAutoPopDelay());
        m_pTip->Announce();
    }
    MessageBeep(0xFFFFFFFF);
}

void SearchState::OnReset() {
    if (m_pTip && m_pTip->GetWnd() != nullptr) {
        ShowWindow(m_pTip->GetWnd(), SW_HIDE);
    }
}

void SearchState::OnSelected(const Candidate& candidate) {
    if (!m_pTip || !m_pCtrl) {
        return;
    }
    const RECT view = ViewRect(m_pCtrl.get());
    m_pTip->m_x = view.left;
    m_pTip->m_y = view.top;
    // The position among the candidates comes last, so the text still begins as it always did:
    // what was typed, then what it matched.
    CStdString text;
    text.Format(L"%s : %s (%u/%u)", m_searchText.c_str(), candidate.m_matchedText.c_str(),
                static_cast<unsigned>(m_current + 1), static_cast<unsigned>(m_candidates.size()));
    m_pTip->SetText(text);
    m_pTip->Announce();
    // Candidates outlive a reset, which may have shortened the names: never index past them.
    if (candidate.m_itemIndex >= m_itemNames.size()) {
        return;
    }
    const auto index = static_cast<int>(candidate.m_itemIndex);
    RECT item{};
    if (m_pCtrl->GetItemRect(index, 0, &item) == 0) {
        PostMessageW(m_pTip->GetWnd(), WM_INFOTIP_SHOWAT,
                     static_cast<WPARAM>(EffectiveToolTipAutoPopDelay()),
                     MakeInfoTipPosition(item.left, item.bottom));
        return;
    }
    m_tipLocator.Locate(
        {m_pCtrl->GetWnd(), m_pTip->GetWnd(),
         m_pCtrl->GetItemLabel(index, std::wstring(m_itemNames[candidate.m_itemIndex])),
         EffectiveToolTipAutoPopDelay()});
}
