#include "ProcessFigures.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/UniqueHandle.h"

namespace {

constexpr int kObjects = 20;

ProcessFigures MeasureThisProcess() {
    const std::optional<ProcessFigures> figures = MeasureProcess(GetCurrentProcessId());
    EXPECT_TRUE(figures.has_value());
    return figures.value_or(ProcessFigures{});
}

DWORD WINAPI WaitForEvent(void* event) {
    WaitForSingleObject(event, INFINITE);
    return 0;
}

// Each figure follows what this process holds: objects made raise it by their number.
TEST(ProcessFigures, FollowHandlesThreadsAndGdiObjects) {
    // The first window of a thread brings what every window shares (the thread's desktop and
    // input context, its IME window, the DCs' objects); it is made before the first measurement.
    const unique_hwnd first(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                            nullptr, nullptr, nullptr));
    const ProcessFigures before = MeasureThisProcess();
    std::vector<unique_handle> events;
    for (int i = 0; i < kObjects; ++i) {
        events.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
    std::vector<unique_hbitmap> bitmaps;
    for (int i = 0; i < kObjects; ++i) {
        bitmaps.emplace_back(CreateBitmap(1, 1, 1, 1, nullptr));
    }
    std::vector<unique_hwnd> windows;
    for (int i = 0; i < kObjects / 2; ++i) {
        // A top-level window and a child of it.
        windows.emplace_back(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                             nullptr, nullptr, nullptr));
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, windows.back().get(), nullptr,
                        nullptr, nullptr);
    }
    const unique_handle thread(CreateThread(nullptr, 0, WaitForEvent, events[0].get(), 0, nullptr));
    const ProcessFigures during = MeasureThisProcess();
    SetEvent(events[0].get());
    WaitForSingleObject(thread.get(), 5000);

    // The thread's own handle counts as well.
    EXPECT_EQ(during.m_handles - before.m_handles, static_cast<DWORD>(kObjects + 1));
    EXPECT_EQ(during.m_threads - before.m_threads, 1u);
    EXPECT_EQ(during.m_gdiObjects - before.m_gdiObjects, static_cast<DWORD>(kObjects));
    EXPECT_EQ(during.m_userObjects - before.m_userObjects, static_cast<DWORD>(kObjects));
}

TEST(ProcessFigures, FollowCommittedAndTouchedMemory) {
    constexpr SIZE_T kBytes = 64 * 1024 * 1024;
    const ProcessFigures before = MeasureThisProcess();
    void* block = VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(block, nullptr);
    for (SIZE_T offset = 0; offset < kBytes; offset += 4096) {
        static_cast<volatile char*>(block)[offset] = 1;
    }
    const ProcessFigures after = MeasureThisProcess();
    VirtualFree(block, 0, MEM_RELEASE);
    EXPECT_NEAR(after.m_workingSetMb - before.m_workingSetMb, 64.0, 4.0);
    EXPECT_NEAR(after.m_privateMb - before.m_privateMb, 64.0, 4.0);
}

TEST(ProcessFigures, NothingForAProcessThatCannotBeOpened) {
    EXPECT_FALSE(MeasureProcess(0xFFFFFFF0u).has_value());
}

} // namespace
