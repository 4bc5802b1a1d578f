#include "search/regex/BoundedSearch.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace regex {
namespace {

struct Exhausted {};

// What one search may spend: steps from the budget's open name, and stack down to a floor.
//
// Once either is spent, the search is not thrown out of at once: unwinding the library's
// recursion by an exception takes about a microsecond a frame, hundreds of steps. The search is
// spent instead: every position then compares equal to every other (so each is the end of the
// text) and reads as NUL, so that each state the library tries fails or passes at once, and the
// recursion returns the way it came, each frame trying on the way what it had left (for the
// patterns given to the library, a few states: LibraryCost::m_spentWork). The steps of that way
// back are kept from the search as it goes deeper, so that a name costs its steps and no more.
// Only if the way back takes much longer than that, or goes deeper, is an exception thrown.
class CLibraryWork {
  public:
    CLibraryWork(CWorkBudget& budget, uintptr_t stackFloor, const LibraryCost& cost)
        : m_budget(budget), m_stackTop(StackPosition()), m_stackFloor(stackFloor),
          m_readSteps(kReadSteps + cost.m_readSteps), m_setUpSteps(cost.m_states * kConstructSteps),
          m_backStepsPerKB((cost.m_spentWork + 1) * kFrameSteps * 1024 / kFrameBytes) {}

    // A position is set up where nothing may be thrown (std::sub_match's constructor is
    // noexcept): the search is given up at its next step instead.
    void Construct() { Take(kConstructSteps, false); }
    void Allocate() { Take(kAllocateSteps); }
    void Copy() { Take(kCopySteps); }
    void Compare() { Take(kCompareSteps); }
    void Read() { Take(m_readSteps); }
    bool Spent() const { return m_spent; }

  private:
    void Take(uint64_t steps, bool mayThrow = true) {
        const uintptr_t position = StackPosition();
        if (m_spent) {
            m_back += steps;
            if (mayThrow && (m_back > m_backLimit || position < m_stackFloor - kStackSlack)) {
                throw Exhausted{};
            }
            return;
        }
        const uint64_t back =
            (m_stackTop - std::min(position, m_stackTop)) * m_backStepsPerKB / 1024;
        if (position < m_stackFloor || !m_budget.Spend(steps) || m_budget.Left() < back) {
            m_budget.CutOff();
            m_spent = true;
            // The way back may set up a lookahead's table, or a few.
            m_backLimit = 4 * (back + m_setUpSteps) + kStepsBack;
        }
    }

    // What the library's work costs in steps of the budget, about a nanosecond each natively:
    // a position set up (the library sets up a table of them as large as its automaton for each
    // search and each lookahead it tries), copied or moved, compared, or read (and then tested,
    // at what the pattern's tests cost: LibraryCost::m_readSteps), and an allocation of match
    // state (a lookahead makes two, and frees them). A frame takes some 100 to 200 bytes of
    // stack, and its way back a few steps (the positions it restores), besides what it tries.
    static constexpr uint64_t kConstructSteps = 8;
    static constexpr uint64_t kAllocateSteps = 96;
    static constexpr uint64_t kCopySteps = 2;
    static constexpr uint64_t kCompareSteps = 3;
    static constexpr uint64_t kReadSteps = 4;
    static constexpr uint64_t kFrameSteps = 4;
    static constexpr uint64_t kFrameBytes = 64;
    static constexpr uint64_t kStepsBack = 4096;
    static constexpr uintptr_t kStackSlack = 16 << 10;

    CWorkBudget& m_budget;
    uintptr_t m_stackTop;
    uintptr_t m_stackFloor;
    uint64_t m_readSteps;
    uint64_t m_setUpSteps;
    uint64_t m_backStepsPerKB;
    bool m_spent = false;
    uint64_t m_back = 0;
    uint64_t m_backLimit = 0;
};

// The search under way on this thread, for the positions the library sets up without one to
// copy (in its tables of the automaton's size); a search on one thread at a time.
thread_local CLibraryWork* t_work = nullptr;

// A pointer into the text that takes a step at every use, copies included: the library copies
// positions into the state of every group and loop it enters, so few of its frames go by
// without a step.
class CCountingIterator {
  public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = wchar_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const wchar_t*;
    using reference = const wchar_t&;

    CCountingIterator() : m_work(t_work) { Take(&CLibraryWork::Construct); }
    CCountingIterator(const wchar_t* position, CLibraryWork* work)
        : m_position(position), m_work(work) {}
    CCountingIterator(const CCountingIterator& other)
        : m_position(other.m_position), m_work(other.m_work) {
        Take(&CLibraryWork::Copy);
    }
    ~CCountingIterator() = default;
    // Two pointers copied: assigning to itself is harmless and takes its step like any copy.
    // NOLINTNEXTLINE(bugprone-unhandled-self-assignment)
    CCountingIterator& operator=(const CCountingIterator& other) {
        m_position = other.m_position;
        m_work = other.m_work;
        Take(&CLibraryWork::Copy);
        return *this;
    }

    reference operator*() const {
        static constexpr wchar_t kSpentChar = L'\0';
        return Take(&CLibraryWork::Read) ? *m_position : kSpentChar;
    }
    CCountingIterator& operator++() {
        m_position += Take(&CLibraryWork::Copy) ? 1 : 0;
        return *this;
    }
    CCountingIterator operator++(int) {
        CCountingIterator old = *this;
        ++*this;
        return old;
    }
    CCountingIterator& operator--() {
        m_position -= Take(&CLibraryWork::Copy) ? 1 : 0;
        return *this;
    }
    CCountingIterator operator--(int) {
        CCountingIterator old = *this;
        --*this;
        return old;
    }
    bool operator==(const CCountingIterator& other) const {
        return !Take(&CLibraryWork::Compare) || m_position == other.m_position;
    }
    const wchar_t* Position() const { return m_position; }

  private:
    // Takes the steps of a use; false once the search is spent.
    bool Take(void (CLibraryWork::*use)()) const {
        if (!m_work) {
            return true;
        }
        (m_work->*use)();
        return !m_work->Spent();
    }

    const wchar_t* m_position = nullptr;
    CLibraryWork* m_work = nullptr;
};

// The match state's allocator, which charges each allocation to the search under way: the
// library allocates match state for each search and each lookahead it tries.
template <typename T> struct CCountingAllocator {
    using value_type = T;

    CCountingAllocator() = default;
    template <typename U> CCountingAllocator(const CCountingAllocator<U>&) {}

    T* allocate(size_t count) {
        if (t_work) {
            t_work->Allocate();
        }
        return std::allocator<T>().allocate(count);
    }
    void deallocate(T* pointer, size_t count) { std::allocator<T>().deallocate(pointer, count); }
    bool operator==(const CCountingAllocator&) const { return true; }
};

using CountingMatch =
    std::match_results<CCountingIterator, CCountingAllocator<std::sub_match<CCountingIterator>>>;

// Makes a search the one under way on this thread, for as long as it runs.
class CActiveWork {
  public:
    explicit CActiveWork(CLibraryWork* work) : m_previous(t_work) { t_work = work; }
    ~CActiveWork() { t_work = m_previous; }
    CActiveWork(const CActiveWork&) = delete;
    CActiveWork& operator=(const CActiveWork&) = delete;

  private:
    CLibraryWork* m_previous;
};

} // namespace

EBoundedResult BoundedSearch(const std::wregex& regex, std::wstring_view text, CWorkBudget& budget,
                             const LibraryCost& cost, Span* span) {
    const size_t left = StackLeft();
    if (budget.NameCut() || left < kStackReserve) {
        budget.CutOff();
        return EBoundedResult::OutOfBudget;
    }
    // The spent search may go 16 KB deeper (see CLibraryWork).
    const size_t usable = std::min(left - kStackReserve, kLibraryStack);
    CLibraryWork work(budget, StackPosition() - usable, cost);
    const CActiveWork active(&work);
    try {
        const CCountingIterator first(text.data(), &work);
        const CCountingIterator last(text.data() + text.size(), &work);
        CountingMatch match;
        const bool found = std::regex_search(first, last, match, regex);
        if (work.Spent()) {
            return EBoundedResult::OutOfBudget;
        }
        if (!found) {
            return EBoundedResult::NotFound;
        }
        if (span) {
            *span = {static_cast<size_t>(match[0].first.Position() - text.data()),
                     static_cast<size_t>(match[0].second.Position() - text.data())};
        }
        return EBoundedResult::Found;
    } catch (const Exhausted&) {
        return EBoundedResult::OutOfBudget;
    } catch (const std::exception&) {
        budget.CutOff(); // memory, most likely: the name is not matched
        return EBoundedResult::OutOfBudget;
    }
}

} // namespace regex
