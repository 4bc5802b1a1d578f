#pragma once
// One search run turns a window's search text into the ordered list of matching items (the
// candidates) and selects the first; key bindings move through the list or select all of it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "search/NameList.h"
#include "view/WndCtrl.h"

class CMigemo;

struct Candidate {
    uint32_t m_itemIndex = 0;
    std::wstring m_matchedText; // the text the pattern matched, not the whole name
};

enum MatchMode { Both = 0, MigemoOnly = 1, PlainOnly = 2 };

// One bit per item name: set once the item is a candidate, so no item is added twice.
using MatchedSet = std::vector<bool>;

// The part of a window's search state that searching and key handling work on. What they show
// besides the selection (tooltip, beep) is left to the window's state, which overrides the hooks.
struct SearchCore {
    SearchCore() = default;
    virtual ~SearchCore() = default;
    SearchCore(const SearchCore&) = delete;
    SearchCore& operator=(const SearchCore&) = delete;
    SearchCore(SearchCore&&) = default;
    SearchCore& operator=(SearchCore&&) = default;

    // Nothing matched m_searchText.
    virtual void OnNoMatch() {}
    // The candidate at m_current was just selected in the view.
    virtual void OnSelected(const Candidate&) {}
    // The search text has started afresh.
    virtual void OnReset() {}

    std::unique_ptr<CWndCtrl> m_pCtrl;
    std::vector<Candidate> m_candidates;
    size_t m_current = 0;
    CNameList m_itemNames;
    // The last read of the names failed (a shell view that cannot be bound, a window that is not
    // a list view): until the next one succeeds, typed characters go on to the window.
    bool m_namesUnreadable = false;
    std::wstring m_searchText;
    // Key times are the system's millisecond count (GetTickCount). When the last character was
    // typed or the text last started afresh; none before the first key since attaching.
    std::optional<uint32_t> m_dwLastKeyTick;
    // When the key message whose character comes next was typed.
    std::optional<uint32_t> m_dwKeyDownTick;
    // A binding or Backspace took the last key: the character message the system makes of that
    // key, which comes before any other key message, is the key's too and is consumed.
    bool m_keyCharPending = false;
    // The first half of a surrogate pair, held back until its second half arrives.
    std::optional<wchar_t> m_highSurrogate;
};

// One matching pass: appends to candidates every item not yet in matched whose name text
// matches, the plain pattern before the Migemo pattern.
void MatchItems(const CNameList& names, std::vector<Candidate>& candidates, CMigemo* migemo,
                const std::wstring& text, MatchedSet& matched, MatchMode mode);

// Rebuilds the candidates for the search text and selects the first, or reports no match.
// Below minLength characters (a leading "^" not counted) only the plain pattern takes part.
void RunSearch(int minLength, SearchCore& state, MatchMode mode);

// Readies what a process's first search would otherwise wait for: the pattern engine's character
// tables, then the Migemo adapter (PrepareMigemo with the drop count taken when the need arose).
// Meant for a worker thread; a search on another thread meanwhile waits for what it needs.
void PrepareSearch(unsigned migemoDrops);

void SelectCurrentCandidate(SearchCore& state);
void SelectNextCandidate(SearchCore& state);
void SelectPreviousCandidate(SearchCore& state);
// Adds every candidate to the view's selection; focus and the tooltip stay as they are.
void SelectAllCandidates(SearchCore& state);
