#pragma once
// The work one pattern may spend on the names of a matching pass, counted in steps by whichever
// engine runs it (see CRegex and BoundedSearch for what a step is there).
//
// The names of a pass share out what the pass may spend: each has an allowance of its own, the
// pass's steps divided by the number of names (within bounds). What a name leaves of its
// allowance goes to a reserve, kept up to a cap, on which a name that needs more may draw. A
// name whose search runs through both is cut off: its search stops there and the name counts
// as not matching. A name that stays within its own allowance is never cut off, however much
// the names before it spent; the whole pass spends at most the reserve's cap and the
// allowances of its names.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace regex {

struct BudgetLimits {
    uint64_t m_pass;    // what the own allowances of a pass's names add up to
    uint64_t m_minOwn;  // a name's own allowance at least,
    uint64_t m_maxOwn;  // and at most
    uint64_t m_reserve; // the reserve's cap, and what it holds when the pass starts
};

class CWorkBudget {
  public:
    // Without limit: for searches outside a matching pass.
    CWorkBudget() : CWorkBudget(BudgetLimits{kLimitless, kLimitless, kLimitless, 0}) {}
    explicit CWorkBudget(BudgetLimits limits) : m_limits(limits) { StartPass(1); }

    // Starts a pass over names names: the reserve is full again.
    void StartPass(size_t names) {
        m_own = std::clamp(m_limits.m_pass / std::max<size_t>(names, 1), m_limits.m_minOwn,
                           m_limits.m_maxOwn);
        m_reserve = m_limits.m_reserve;
    }

    // Opens the search of a name.
    void BeginName() {
        m_left = m_reserve + m_own;
        m_opened = m_left;
        m_cut = false;
    }
    // Closes it: what is left goes to the reserve, up to its cap.
    void EndName() {
        m_spent += m_opened - m_left;
        m_reserve = std::min(m_left, m_limits.m_reserve);
        m_cutNames += m_cut ? 1 : 0;
    }

    // Steps the open name may still spend.
    uint64_t Left() const { return m_left; }
    // Takes steps from the open name: false, and the name is cut off, once they are not there.
    bool Spend(uint64_t steps) {
        if (steps > m_left) {
            CutOff();
            return false;
        }
        m_left -= steps;
        return true;
    }
    void CutOff() {
        m_left = 0;
        m_cut = true;
    }
    bool NameCut() const { return m_cut; }

    // A name's own allowance in this pass.
    uint64_t Own() const { return m_own; }
    // Steps spent by the closed names, and how many of them were cut off.
    uint64_t Spent() const { return m_spent; }
    uint64_t CutNames() const { return m_cutNames; }

  private:
    static constexpr uint64_t kLimitless = UINT64_MAX / 4;

    BudgetLimits m_limits;
    uint64_t m_own = 0;
    uint64_t m_reserve = 0;
    uint64_t m_left = 0;
    uint64_t m_opened = 0;
    bool m_cut = false;
    uint64_t m_spent = 0;
    uint64_t m_cutNames = 0;
};

// A name's search under budget: opened at construction, closed at destruction.
class CNameSearch {
  public:
    explicit CNameSearch(CWorkBudget& budget) : m_budget(budget) { m_budget.BeginName(); }
    ~CNameSearch() { m_budget.EndName(); }
    CNameSearch(const CNameSearch&) = delete;
    CNameSearch& operator=(const CNameSearch&) = delete;

  private:
    CWorkBudget& m_budget;
};

} // namespace regex
