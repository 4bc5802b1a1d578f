#pragma once
// std::wregex with a work limit: the library backtracks without bound, so a search counts every
// step it takes on the text (each character read, each move, each comparison of positions) and
// gives up once a shared budget is spent. Only for patterns our engine does not handle.
#include <cstdint>
#include <optional>
#include <regex>
#include <string_view>

#include "search/regex/Regex.h"

namespace regex {

class CWorkBudget {
  public:
    explicit CWorkBudget(uint64_t steps) : m_left(steps) {}
    bool Spent() const { return m_left == 0; }
    // Throws CWorkBudget::Exhausted once nothing is left.
    void Spend();

    struct Exhausted {};

  private:
    uint64_t m_left;
};

enum class EBoundedResult { Found, NotFound, OutOfBudget };

// First match of regex in text, as std::regex_search finds it, within the budget.
EBoundedResult BoundedSearch(const std::wregex& regex, std::wstring_view text, CWorkBudget& budget,
                             Span* span = nullptr);

} // namespace regex
