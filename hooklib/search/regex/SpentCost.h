#pragma once
// What std::wregex does with a part of a pattern once its search is spent (see BoundedSearch):
// every character fails, everything else passes, and each loop goes round at most twice more.
// The recursion then returns frame by frame, and each frame of an alternative or a loop first
// tries what it had not tried yet: this bounds that work, and how deep it goes, so that the
// patterns given to the library are those whose way back is short.
//
// Worked out on the syntax tree as it is built, with the library's states: a character blocks;
// an assertion, a back-reference or an empty part passes; an alternative or a loop is a state
// of its own. Saturates instead of overflowing.
#include <algorithm>
#include <cstdint>

namespace regex {

inline constexpr uint64_t kSpentSaturated = uint64_t{1} << 40;

inline uint64_t SpentSum(uint64_t a, uint64_t b) {
    return std::min(a + b, kSpentSaturated);
}
inline uint64_t SpentProduct(uint64_t a, uint64_t b) {
    return a == 0 || b <= kSpentSaturated / a ? std::min(a * b, kSpentSaturated) : kSpentSaturated;
}

struct SpentCost {
    // From the part's entry: the ways through it, the states tried, how many frames deep the
    // tries go, and how many states the longest way through has.
    uint64_t m_passes = 1;
    uint64_t m_work = 1;
    uint64_t m_depth = 1;
    uint64_t m_length = 1;
    // From the frame of any state within it, on to its exit: the same for what that frame
    // still tries as it returns.
    uint64_t m_innerPasses = 0;
    uint64_t m_innerWork = 0;
    uint64_t m_innerDepth = 0;

    // What any frame of the pattern tries at most on its way back, and how deep that goes.
    uint64_t Work() const { return std::max(m_work, m_innerWork); }
    uint64_t Depth() const { return std::max(m_depth, m_innerDepth); }
};

inline SpentCost Blocking() {
    return {0, 1, 1, 0, 0, 0, 0};
}
inline SpentCost Passing() {
    return {1, 1, 1, 1, 0, 0, 0};
}

// x, then y on each way through x.
inline SpentCost Then(const SpentCost& x, const SpentCost& y) {
    SpentCost both;
    both.m_passes = SpentProduct(x.m_passes, y.m_passes);
    both.m_work = SpentSum(x.m_work, SpentProduct(x.m_passes, y.m_work));
    both.m_depth = std::max(x.m_depth, x.m_passes > 0 ? SpentSum(x.m_length, y.m_depth) : 0);
    both.m_length = both.m_passes > 0 ? SpentSum(x.m_length, y.m_length) : 0;
    both.m_innerPasses = std::max(SpentProduct(x.m_innerPasses, y.m_passes), y.m_innerPasses);
    both.m_innerWork =
        std::max(SpentSum(x.m_innerWork, SpentProduct(x.m_innerPasses, y.m_work)), y.m_innerWork);
    both.m_innerDepth =
        std::max(SpentSum(x.m_innerDepth, x.m_innerPasses > 0 ? y.m_depth : 0), y.m_innerDepth);
    return both;
}

// A state that tries x, then y: an alternative, or a loop's once more and its leaving.
inline SpentCost Either(const SpentCost& x, const SpentCost& y) {
    SpentCost either;
    either.m_passes = SpentSum(x.m_passes, y.m_passes);
    either.m_work = SpentSum(1, SpentSum(x.m_work, y.m_work));
    either.m_depth = SpentSum(1, std::max(x.m_depth, y.m_depth));
    either.m_length = SpentSum(1, std::max(x.m_length, y.m_length));
    // Its own frame still tries y after x; frames within x or y try what they had left.
    either.m_innerPasses = std::max({y.m_passes, x.m_innerPasses, y.m_innerPasses});
    either.m_innerWork = std::max({y.m_work, x.m_innerWork, y.m_innerWork});
    either.m_innerDepth = std::max({y.m_depth, x.m_innerDepth, y.m_innerDepth});
    return either;
}

// A loop over body: round once, round twice, or left.
inline SpentCost Loop(const SpentCost& body) {
    return Either(Then(body, Either(Then(body, Passing()), Passing())), Passing());
}

inline SpentCost Maybe(const SpentCost& body) {
    return Either(body, Passing());
}

// count copies of x in a row. Counts beyond the largest automaton saturate: such a pattern is
// refused anyway.
inline SpentCost Times(const SpentCost& x, uint64_t count) {
    constexpr uint64_t kMaxCopies = uint64_t{1} << 16;
    if (count > kMaxCopies) {
        const uint64_t s = kSpentSaturated;
        return {s, s, s, s, s, s, s};
    }
    SpentCost all{1, 0, 0, 0, 0, 0, 0}; // nothing: the first copy is all there is
    for (uint64_t i = 0; i < count && all.m_work < kSpentSaturated; ++i) {
        all = Then(all, x);
    }
    return all;
}

inline SpentCost Captured(const SpentCost& group) {
    return Then(Then(Passing(), group), Passing());
}

// "(?=...)" or "(?!...)": a search of its own, after which the lookahead passes.
inline SpentCost Lookahead(const SpentCost& inner) {
    SpentCost look = Passing();
    look.m_work = SpentSum(1, inner.m_work);
    look.m_depth = SpentSum(1, inner.m_depth);
    look.m_innerPasses = 1;
    look.m_innerWork = SpentSum(1, inner.Work());
    look.m_innerDepth = SpentSum(1, inner.Depth());
    return look;
}

} // namespace regex
