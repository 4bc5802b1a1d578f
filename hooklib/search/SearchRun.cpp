#include "search/SearchRun.h"

#include <algorithm>

#include "search/Migemo.h"
#include "search/Pattern.h"
#include "settings/SharedBlock.h"

namespace {

bool StartsWithCaret(const std::wstring& text) {
    return !text.empty() && text[0] == L'^';
}

// The plain and the Migemo pattern of one matching pass.
struct PassPatterns {
    CPattern m_plain;
    CPattern m_romaji;
};

PassPatterns BuildPass(CMigemo* migemo, const std::wstring& text, MatchMode mode) {
    const bool anchored = StartsWithCaret(text);
    const std::wstring query = anchored ? text.substr(1) : text;
    return {mode != MigemoOnly ? BuildPlainPattern(text) : CPattern(),
            mode != PlainOnly ? BuildMigemoPattern(migemo, query, anchored) : CPattern()};
}

void AddCandidate(std::vector<Candidate>& candidates, size_t index, std::wstring_view name,
                  regex::Span span) {
    // Built in place: one per matching name and keystroke.
    Candidate& candidate = candidates.emplace_back();
    candidate.m_itemIndex = static_cast<uint32_t>(index);
    candidate.m_matchedText.assign(name.data() + span.m_begin, span.m_end - span.m_begin);
}

// The pass for "^" + text finds just the matches of pass (for text) that start at the first
// character: each pattern has no alternation at its top ("^" before the Migemo expression is
// "^" before the whole of it), or it does not compile, and not with "^" either.
bool CaretPassIsWithin(const PassPatterns& pass, CMigemo* migemo, const std::wstring& text,
                       MatchMode mode) {
    if (StartsWithCaret(text)) {
        return false;
    }
    const bool plain = pass.m_plain.IsEmpty()
                           ? mode == MigemoOnly || BuildPlainPattern(L"^" + text).IsEmpty()
                           : pass.m_plain.CaretAnchorsWhole();
    const bool romaji = pass.m_romaji.IsEmpty()
                            ? mode == PlainOnly || BuildMigemoPattern(migemo, text, true).IsEmpty()
                            : pass.m_romaji.CaretAnchorsWhole();
    return plain && romaji;
}

// Calls onMatch(index, name text, first match) for each name that matches the pass, in name
// order, passing over those for which skip(index) holds.
template <typename Skip, typename OnMatch>
void ForEachMatch(const CNameList& names, size_t count, const PassPatterns& pass, Skip skip,
                  OnMatch onMatch) {
    const CPatternPair pair(pass.m_plain, pass.m_romaji, count);
    for (size_t i = 0; i < count; ++i) {
        if (skip(i)) {
            continue;
        }
        const std::wstring_view name = names.Text(i);
        if (const std::optional<regex::EitherMatch> found = pair.Find(name)) {
            onMatch(i, name, *found);
        }
    }
}

constexpr auto kSkipNone = [](size_t) { return false; };

// Both passes of PriorForwardMatch in one pass over the names: a match that starts at the first
// character is a match of the pass for "^" + text.
void MatchPriorInOnePass(const CNameList& names, std::vector<Candidate>& candidates,
                         const PassPatterns& pass) {
    std::vector<Candidate> later;
    ForEachMatch(names, names.size(), pass, kSkipNone,
                 [&](size_t i, std::wstring_view name, const regex::EitherMatch& found) {
                     regex::Span span = found.m_span;
                     if (!found.m_second && span.m_begin != 0) {
                         // A later plain match yields to a Migemo match at the first character.
                         const std::optional<regex::Span> romaji = pass.m_romaji.Find(name);
                         span = romaji && romaji->m_begin == 0 ? *romaji : span;
                     }
                     AddCandidate(span.m_begin == 0 ? candidates : later, i, name, span);
                 });
    candidates.insert(candidates.end(), std::make_move_iterator(later.begin()),
                      std::make_move_iterator(later.end()));
}

void MatchPass(const CNameList& names, std::vector<Candidate>& candidates, const PassPatterns& pass,
               MatchedSet& matched) {
    ForEachMatch(
        names, std::min(names.size(), matched.size()), pass, [&](size_t i) { return matched[i]; },
        [&](size_t i, std::wstring_view name, const regex::EitherMatch& found) {
            AddCandidate(candidates, i, name, found.m_span);
            matched[i] = true;
        });
}

// The only pass of a search: every name is still unmatched.
void MatchEveryName(const CNameList& names, std::vector<Candidate>& candidates,
                    const PassPatterns& pass) {
    ForEachMatch(names, names.size(), pass, kSkipNone,
                 [&](size_t i, std::wstring_view name, const regex::EitherMatch& found) {
                     AddCandidate(candidates, i, name, found.m_span);
                 });
}

// The adapter, where the Migemo pattern takes part: a key below the Migemo length never waits
// for a dictionary that is still loading. Held by the caller for the run: a detach on another
// thread may drop the process's adapter meanwhile.
std::shared_ptr<CMigemo> MigemoFor(MatchMode mode) {
    return mode == PlainOnly ? nullptr : GetMigemo();
}

void MatchWithPrior(SearchCore& state, MatchMode mode) {
    const std::shared_ptr<CMigemo> migemo = MigemoFor(mode);
    const PassPatterns pass = BuildPass(migemo.get(), state.m_searchText, mode);
    if (CaretPassIsWithin(pass, migemo.get(), state.m_searchText, mode)) {
        MatchPriorInOnePass(state.m_itemNames, state.m_candidates, pass);
        return;
    }
    MatchedSet matched(state.m_itemNames.size(), false);
    MatchItems(state.m_itemNames, state.m_candidates, migemo.get(), L"^" + state.m_searchText,
               matched, mode);
    MatchPass(state.m_itemNames, state.m_candidates, pass, matched);
}

} // namespace

void MatchItems(const CNameList& names, std::vector<Candidate>& candidates, CMigemo* migemo,
                const std::wstring& text, MatchedSet& matched, MatchMode mode) {
    MatchPass(names, candidates, BuildPass(migemo, text, mode), matched);
}

void RunSearch(int minLength, SearchCore& state, MatchMode mode) {
    // A leading "^" does not count. The length is compared as it is, with no arithmetic on
    // minLength, which comes from the shared settings and may be anything up to INT_MAX.
    const size_t counted =
        state.m_searchText.size() - (StartsWithCaret(state.m_searchText) ? 1 : 0);
    if (minLength > 0 && counted < static_cast<size_t>(minLength)) {
        mode = PlainOnly;
    }
    state.m_candidates.clear();
    if (IsOn(Shared.PriorForwardMatch)) {
        MatchWithPrior(state, mode);
    } else {
        const std::shared_ptr<CMigemo> migemo = MigemoFor(mode);
        MatchEveryName(state.m_itemNames, state.m_candidates,
                       BuildPass(migemo.get(), state.m_searchText, mode));
    }
    if (!state.m_candidates.empty()) {
        state.m_current = 0;
        SelectCurrentCandidate(state);
        return;
    }
    state.OnNoMatch();
}

void PrepareSearch(unsigned migemoDrops) {
    // Any pattern builds the tables (a scan of every character's case and class) once.
    BuildPlainPattern(L"a");
    PrepareMigemo(migemoDrops);
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
    // One request of the view for all of them: a shell view selects them at once.
    std::vector<int> indices;
    indices.reserve(state.m_candidates.size());
    for (const Candidate& candidate : state.m_candidates) {
        indices.push_back(static_cast<int>(candidate.m_itemIndex));
    }
    if (!indices.empty()) {
        state.m_pCtrl->SelectItems(indices);
    }
}
