#include "search/SearchRun.h"

#include <algorithm>

#include "search/Migemo.h"
#include "search/Pattern.h"
#include "settings/SharedBlock.h"

namespace {

bool StartsWithCaret(const std::wstring& text) {
    return !text.empty() && text[0] == L'^';
}

void MatchWithMigemo(SearchCore& state, const std::wstring& text, MatchedSet& matched,
                     MatchMode mode) {
    // Held for the whole pass: a detach on another thread may drop the process's adapter.
    const std::shared_ptr<CMigemo> migemo = GetMigemo();
    MatchItems(state.m_itemNames, state.m_candidates, migemo.get(), text, matched, mode);
}

} // namespace

void MatchItems(const ItemNames& names, std::vector<Candidate>& candidates, CMigemo* migemo,
                const std::wstring& text, MatchedSet& matched, MatchMode mode) {
    const bool anchored = StartsWithCaret(text);
    const std::wstring query = anchored ? text.substr(1) : text;
    const CPattern plain = mode != MigemoOnly ? BuildPlainPattern(text) : CPattern();
    const CPattern romaji =
        mode != PlainOnly ? BuildMigemoPattern(migemo, query, anchored) : CPattern();
    if (plain.IsEmpty() && romaji.IsEmpty()) {
        return;
    }
    std::wstring found;
    for (size_t i = 0; i < names.size() && i < matched.size(); ++i) {
        if (matched[i]) {
            continue;
        }
        const std::wstring_view name = NameText(names[i]);
        if (plain.SearchText(name, &found) || romaji.SearchText(name, &found)) {
            candidates.push_back(Candidate{static_cast<uint32_t>(i), found});
            matched[i] = true;
        }
    }
}

void RunSearch(int minLength, SearchCore& state, MatchMode mode) {
    if (StartsWithCaret(state.m_searchText)) {
        ++minLength;
    }
    if (state.m_searchText.size() < static_cast<size_t>(std::max(minLength, 0))) {
        mode = PlainOnly;
    }
    state.m_candidates.clear();
    MatchedSet matched(state.m_itemNames.size(), false);
    if (IsOn(Shared.PriorForwardMatch)) {
        MatchWithMigemo(state, L"^" + state.m_searchText, matched, mode);
    }
    MatchWithMigemo(state, state.m_searchText, matched, mode);
    if (!state.m_candidates.empty()) {
        state.m_current = 0;
        SelectCurrentCandidate(state);
        return;
    }
    state.OnNoMatch();
}

void SelectCurrentCandidate(SearchCore& state) {
    if (state.m_current >= state.m_candidates.size() || !state.m_pCtrl) {
        return;
    }
    const Candidate& candidate = state.m_candidates[state.m_current];
    state.m_pCtrl->SelectItem(static_cast<int>(candidate.m_itemIndex), 1, 1);
    state.OnSelected(candidate);
}

void SelectNextCandidate(SearchCore& state) {
    if (state.m_candidates.empty()) {
        return;
    }
    ++state.m_current;
    if (state.m_current >= state.m_candidates.size()) {
        state.m_current = 0;
    }
    SelectCurrentCandidate(state);
}

void SelectPreviousCandidate(SearchCore& state) {
    if (state.m_candidates.empty()) {
        return;
    }
    if (state.m_current == 0 || state.m_current > state.m_candidates.size()) {
        state.m_current = state.m_candidates.size();
    }
    --state.m_current;
    SelectCurrentCandidate(state);
}

void SelectAllCandidates(SearchCore& state) {
    if (!state.m_pCtrl) {
        return;
    }
    for (const Candidate& candidate : state.m_candidates) {
        state.m_pCtrl->SelectItem(static_cast<int>(candidate.m_itemIndex), 0, 0);
    }
}
