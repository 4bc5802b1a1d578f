#include "AllocationMeter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Each block carries its size in front, so that delete knows what it gives back.
namespace {

constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

void* Allocate(size_t size) {
    void* block = std::malloc(size + kHeader);
    if (!block) {
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(block) = size;
    const size_t live = g_live.fetch_add(size) + size;
    for (size_t peak = g_peak.load(); live > peak && !g_peak.compare_exchange_weak(peak, live);) {
    }
    return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
    if (!pointer) {
        return;
    }
    void* block = static_cast<char*>(pointer) - kHeader;
    g_live.fetch_sub(*static_cast<size_t*>(block));
    std::free(block);
}

} // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
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

namespace allocation {

size_t Live() {
    return g_live.load();
}
size_t Peak() {
    return g_peak.load();
}
void ResetPeak() {
    g_peak.store(g_live.load());
}

} // namespace allocation
