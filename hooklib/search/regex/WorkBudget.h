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
        m_dropped += m_left;
        m_left = m_limits.m_reserve;
        m_given += m_left;
    }

    // Opens the search of a name: what the name before left goes to the reserve, up to its
    // cap, and the name has its share besides. (Nothing needs closing: a name not opened,
    // because nothing of it was searched, leaves its share unused.)
    void OpenName() {
        const uint64_t kept = std::min(m_left, m_limits.m_reserve);
        m_dropped += m_left - kept;
        m_left = kept + m_own;
        m_given += m_own;
        m_cut = false;
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
        m_cutNames += m_cut ? 0 : 1;
        m_cut = true;
    }
    // The name opened last was cut off.
    bool NameCut() const { return m_cut; }

    // A name's own allowance in this pass.
    uint64_t Own() const { return m_own; }
    // Steps spent so far, and how many names were cut off.
    uint64_t Spent() const { return m_given - m_dropped - m_left; }
    uint64_t CutNames() const { return m_cutNames; }

  private:
    static constexpr uint64_t kLimitless = UINT64_MAX / 4;

    BudgetLimits m_limits;
    uint64_t m_own = 0;
    uint64_t m_left = 0; // of the open name; between names, the reserve and what came back
    bool m_cut = false;
    uint64_t m_given = 0;   // every allowance and reserve given
    uint64_t m_dropped = 0; // what of it went unspent beyond the reserve's cap, or at a new pass
    uint64_t m_cutNames = 0;
};

} // namespace regex
