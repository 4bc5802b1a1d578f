#include "search/regex/BoundedSearch.h"

#include <algorithm>
#include <iterator>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace regex {
namespace {

struct Exhausted {};

uintptr_t StackPosition() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

// The lowest address of the calling thread's stack: the stack grows down towards it.
uintptr_t StackEnd() {
#ifdef _WIN32
    // The whole reservation, of which only the top is committed yet.
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    return low;
#else
    // glibc reads the main thread's stack from /proc: once per thread is enough.
    thread_local const uintptr_t end = [] {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0) {
            return UINTPTR_MAX; // unknown: no stack to spare
        }
        void* low = nullptr;
        size_t size = 0;
        pthread_attr_getstack(&attributes, &low, &size);
        pthread_attr_destroy(&attributes);
        return reinterpret_cast<uintptr_t>(low);
    }();
    return end;
#endif
}

// What one search may spend: steps from the budget's open name, and stack down to a floor.
//
// Once either is spent, the search is not thrown out of at once: unwinding the library's
// recursion by an exception takes about a microsecond a frame, some hundreds of steps. The
// search is spent instead: every position then compares equal to every other (so each is the
// end of the text) and reads as NUL, so that each state the library tries fails or passes at
// once, and the recursion returns the way it came, trying what is left on the way at a few
// steps a frame. Only if that takes more steps than the search had taken, or goes deeper into
// the stack, is an exception thrown after all. Either way the stack it may use is in
// proportion to the steps it may take (kStackPerStep), so that the way back costs no more
// than the way there.
class CLibraryWork {
  public:
    CLibraryWork(CWorkBudget& budget, uintptr_t stackFloor, uint64_t allocationSteps)
        : m_budget(budget), m_stackFloor(stackFloor), m_allocationSteps(allocationSteps),
          m_opened(budget.Left()) {}

    void Step() { Take(kSteps); }
    void Allocation() { Take(kAllocationSteps + m_allocationSteps); }
    bool Spent() const { return m_spent; }

  private:
    void Take(uint64_t steps) {
        if (m_spent) {
            m_afterSpent += steps;
            if (m_afterSpent > m_afterSpentLimit || StackPosition() < m_stackFloor - kStackSlack) {
                throw Exhausted{};
            }
        } else if (!m_budget.Spend(steps) || StackPosition() < m_stackFloor) {
            m_budget.CutOff();
            m_spent = true;
            m_afterSpentLimit = m_opened + kStepsAfterSpent;
        }
    }

    // A step of the library is some four steps of our engine, as the budget counts them; an
    // allocation rather more, besides the table it stands for.
    static constexpr uint64_t kSteps = 4;
    static constexpr uint64_t kAllocationSteps = 64;
    static constexpr uint64_t kStepsAfterSpent = 4096;
    static constexpr uintptr_t kStackSlack = 16 << 10;

    CWorkBudget& m_budget;
    uintptr_t m_stackFloor;
    uint64_t m_allocationSteps;
    uint64_t m_opened;
    bool m_spent = false;
    uint64_t m_afterSpent = 0;
    uint64_t m_afterSpentLimit = 0;
};

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

    CCountingIterator() = default;
    CCountingIterator(const wchar_t* position, CLibraryWork* work)
        : m_position(position), m_work(work) {}
    CCountingIterator(const CCountingIterator& other)
        : m_position(other.m_position), m_work(other.m_work) {
        Step();
    }
    CCountingIterator& operator=(const CCountingIterator& other) {
        m_position = other.m_position;
        m_work = other.m_work;
        Step();
        return *this;
    }

    reference operator*() const {
        static constexpr wchar_t kSpentChar = L'\0';
        return Step() ? *m_position : kSpentChar;
    }
    CCountingIterator& operator++() {
        m_position += Step() ? 1 : 0;
        return *this;
    }
    CCountingIterator operator++(int) {
        CCountingIterator old = *this;
        ++*this;
        return old;
    }
    CCountingIterator& operator--() {
        m_position -= Step() ? 1 : 0;
        return *this;
    }
    CCountingIterator operator--(int) {
        CCountingIterator old = *this;
        --*this;
        return old;
    }
    bool operator==(const CCountingIterator& other) const {
        return !Step() || m_position == other.m_position;
    }
    const wchar_t* Position() const { return m_position; }

  private:
    // False once the search is spent.
    bool Step() const {
        if (!m_work) {
            return true;
        }
        m_work->Step();
        return !m_work->Spent();
    }

    const wchar_t* m_position = nullptr;
    CLibraryWork* m_work = nullptr;
};

// The match state's allocator: each allocation stands for a search or a lookahead set up, with
// its table of the automaton's size.
template <typename T> class CCountingAllocator {
  public:
    using value_type = T;

    // Only for the library's other executor, which ECMAScript searches never run.
    CCountingAllocator() = default;
    explicit CCountingAllocator(CLibraryWork* work) : m_work(work) {}
    template <typename U>
    CCountingAllocator(const CCountingAllocator<U>& other) : m_work(other.Work()) {}

    T* allocate(size_t count) {
        if (m_work) {
            m_work->Allocation();
        }
        return std::allocator<T>().allocate(count);
    }
    void deallocate(T* pointer, size_t count) { std::allocator<T>().deallocate(pointer, count); }
    bool operator==(const CCountingAllocator& other) const { return m_work == other.m_work; }
    CLibraryWork* Work() const { return m_work; }

  private:
    CLibraryWork* m_work = nullptr;
};

using CountingMatch =
    std::match_results<CCountingIterator, CCountingAllocator<std::sub_match<CCountingIterator>>>;

} // namespace

size_t StackLeft() {
    const uintptr_t position = StackPosition();
    const uintptr_t end = StackEnd();
    return position > end ? position - end : 0;
}

EBoundedResult BoundedSearch(const std::wregex& regex, std::wstring_view text, CWorkBudget& budget,
                             uint64_t allocationSteps, Span* span) {
    const size_t left = StackLeft();
    if (budget.NameCut() || left < kStackReserve) {
        budget.CutOff();
        return EBoundedResult::OutOfBudget;
    }
    // The spent search may go 16 KB deeper (see CLibraryWork).
    const uint64_t paid = std::min<uint64_t>(budget.Left(), kLibraryStack / kStackPerStep);
    const size_t usable = std::min({left - kStackReserve, kLibraryStack,
                                    kLibraryBaseStack + static_cast<size_t>(paid) * kStackPerStep});
    CLibraryWork work(budget, StackPosition() - usable, allocationSteps);
    try {
        const CCountingIterator first(text.data(), &work);
        const CCountingIterator last(text.data() + text.size(), &work);
        CountingMatch match{CCountingAllocator<std::sub_match<CCountingIterator>>(&work)};
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
