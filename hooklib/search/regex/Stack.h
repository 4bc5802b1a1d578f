#pragma once
// Where the calling thread's stack stands. A search runs on the host's window thread, whose
// stack it does not choose (often the 1 MB a Windows program's threads get by default) and which
// is partly used already: what recurses checks what is left of it.
#include <cstddef>
#include <cstdint>

namespace regex {

// What is left untouched above the end of a thread's stack in any case: for the unwinding of a
// search given up, and for whatever the host calls in a nearly full stack.
constexpr size_t kStackReserve = 64 << 10;

inline uintptr_t StackPosition() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

// The lowest address of the calling thread's stack: the stack grows down towards it.
uintptr_t StackEnd();

// Stack left to the calling thread: from where it is now down to the end of its stack.
inline size_t StackLeft() {
    const uintptr_t position = StackPosition();
    const uintptr_t end = StackEnd();
    return position > end ? position - end : 0;
}

} // namespace regex
