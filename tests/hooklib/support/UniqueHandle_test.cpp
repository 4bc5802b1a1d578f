#include "support/UniqueHandle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Handles are addresses of these slots; closing one records it.
int SlotA = 0;
int SlotB = 0;
int* const A = &SlotA;
int* const B = &SlotB;
int* const AllOnes = reinterpret_cast<int*>(~std::uintptr_t{0});
std::vector<int*> Closed;
void Close(int* handle) {
    Closed.push_back(handle);
}
using unique_slot = unique_any<int*, Close>;
using unique_slot_all_ones = unique_any<int*, Close, none_is_all_ones<int*>>;

class UniqueHandle : public ::testing::Test {
  protected:
    void SetUp() override { Closed.clear(); }
};

// An owner of A lets go in each way; A is closed exactly where the owner gives it up.
TEST_F(UniqueHandle, EachWayOfLettingGoClosesTheOldHandleOnce) {
    struct Case {
        const char* m_way;
        void (*m_letGo)(unique_slot& owner);
        std::vector<int*> m_closed;
        int* m_heldAfter;
    };
    const Case cases[] = {
        {"reset", [](unique_slot& owner) { owner.reset(); }, {A}, nullptr},
        {"reset to another", [](unique_slot& owner) { owner.reset(B); }, {A}, B},
        {"put", [](unique_slot& owner) { *owner.put() = B; }, {A}, B},
        {"move-assign", [](unique_slot& owner) { owner = unique_slot(B); }, {A}, B},
        {"move-construct",
         [](unique_slot& owner) { unique_slot taker(std::move(owner)); },
         {A},
         nullptr},
        {"release", [](unique_slot& owner) { EXPECT_EQ(owner.release(), A); }, {}, nullptr},
        {"self-move", [](unique_slot& owner) { owner = std::move(*&owner); }, {}, A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_way);
        Closed.clear();
        unique_slot owner(A);
        c.m_letGo(owner);
        EXPECT_EQ(Closed, c.m_closed);
        EXPECT_EQ(owner.get(), c.m_heldAfter);
        owner.release();
    }
}

// Whatever the kind counts as no handle is never closed, however the owner lets go of it (and
// an empty owner of the all-ones kind holds all ones, where put() has a failing call write).
TEST_F(UniqueHandle, NoHandleOfTheKindIsNeverClosed) {
    struct Case {
        const char* m_kind;
        bool m_allOnesIsNone;
        int* m_value;
        bool m_isHandle;
    };
    const Case cases[] = {
        {"null kind, null", false, nullptr, false},
        {"null kind, all ones", false, AllOnes, true},
        {"all-ones kind, all ones", true, AllOnes, false},
        {"all-ones kind, null", true, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_kind);
        Closed.clear();
        const auto check = [&](auto owner) {
            EXPECT_EQ(static_cast<bool>(owner), c.m_isHandle);
            owner.reset();
            owner.reset(c.m_value);
            *owner.put() = c.m_value;
        };
        if (c.m_allOnesIsNone) {
            check(unique_slot_all_ones(c.m_value));
        } else {
            check(unique_slot(c.m_value));
        }
        EXPECT_EQ(Closed, c.m_isHandle ? std::vector<int*>(3, c.m_value) : std::vector<int*>{});
    }
    EXPECT_EQ(unique_slot_all_ones().get(), AllOnes);
}

#ifndef _WIN32
// iconv_open fails with (iconv_t)-1, which its owner holds as no handle.
TEST(UniqueIconv, AFailedOpenIsNoHandle) {
    EXPECT_FALSE(unique_iconv(iconv_open("no-such-encoding", "UTF-8")));
    EXPECT_TRUE(unique_iconv(iconv_open("UTF-8", "UTF-32LE")));
}
#endif

} // namespace
