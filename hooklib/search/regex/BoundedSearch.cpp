#include "search/regex/BoundedSearch.h"

#include <iterator>

namespace regex {
namespace {

// A pointer into the text that spends one step of the budget at every use.
class CCountingIterator {
  public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = wchar_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const wchar_t*;
    using reference = const wchar_t&;

    CCountingIterator() = default;
    CCountingIterator(const wchar_t* position, CWorkBudget* budget)
        : m_position(position), m_budget(budget) {}

    reference operator*() const {
        m_budget->Spend();
        return *m_position;
    }
    CCountingIterator& operator++() {
        m_budget->Spend();
        ++m_position;
        return *this;
    }
    CCountingIterator operator++(int) {
        CCountingIterator old = *this;
        ++*this;
        return old;
    }
    CCountingIterator& operator--() {
        m_budget->Spend();
        --m_position;
        return *this;
    }
    CCountingIterator operator--(int) {
        CCountingIterator old = *this;
        --*this;
        return old;
    }
    bool operator==(const CCountingIterator& other) const {
        if (m_budget) {
            m_budget->Spend();
        }
        return m_position == other.m_position;
    }
    const wchar_t* Position() const { return m_position; }

  private:
    const wchar_t* m_position = nullptr;
    CWorkBudget* m_budget = nullptr;
};

} // namespace

void CWorkBudget::Spend() {
    if (m_left == 0) {
        throw Exhausted{};
    }
    --m_left;
}

EBoundedResult BoundedSearch(const std::wregex& regex, std::wstring_view text, CWorkBudget& budget,
                             Span* span) {
    if (budget.Spent()) {
        return EBoundedResult::OutOfBudget;
    }
    const CCountingIterator first(text.data(), &budget);
    const CCountingIterator last(text.data() + text.size(), &budget);
    try {
        std::match_results<CCountingIterator> match;
        if (!std::regex_search(first, last, match, regex)) {
            return EBoundedResult::NotFound;
        }
        if (span) {
            *span = {static_cast<size_t>(match[0].first.Position() - text.data()),
                     static_cast<size_t>(match[0].second.Position() - text.data())};
        }
        return EBoundedResult::Found;
    } catch (const CWorkBudget::Exhausted&) {
        return EBoundedResult::OutOfBudget;
    }
}

} // namespace regex
