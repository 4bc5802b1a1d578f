#include "AllocationMeter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Each block carries its size in front, so that delete knows what it gives back.
namespace {

constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<size_t> LiveBytes{0};
std::atomic<size_t> PeakBytes{0};

void* Allocate(size_t size) {
    void* block = std::malloc(size + kHeader);
    if (!block) {
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(block) = size;
    const size_t live = LiveBytes.fetch_add(size) + size;
    for (size_t peak = PeakBytes.load();
         live > peak && !PeakBytes.compare_exchange_weak(peak, live);) {
    }
    return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
    if (!pointer) {
        return;
    }
    void* block = static_cast<char*>(pointer) - kHeader;
    LiveBytes.fetch_sub(*static_cast<size_t*>(block));
    std::free(block);
}

} // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
// The nothrow forms too (std::stable_sort's buffer comes from one): a runtime that replaces them
// itself, as AddressSanitizer does, would otherwise hand delete blocks without the header.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& nothrow) noexcept {
    return operator new(size, nothrow);
}
void operator delete(void* pointer) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    Release(pointer);
}

namespace allocation {

size_t Live() {
    return LiveBytes.load();
}
size_t Peak() {
    return PeakBytes.load();
}
void ResetPeak() {
    PeakBytes.store(LiveBytes.load());
}

} // namespace allocation
