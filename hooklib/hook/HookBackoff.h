#pragma once
// How soon a window that refused the hook is offered again. A window of an elevated or
// protected process, or one whose handshake fails, fails the same way on every pass; trying it
// on every 200 ms tick costs the launcher (and the target's thread) for nothing. Each failure in
// a row doubles the wait, up to kMaxDelayMs; a window that attaches or is gone is forgotten.
#include <cstddef>
#include <cstdint>
#include <unordered_map>

class CHookBackoff {
  public:
    static constexpr uint32_t kFirstDelayMs = 400;
    static constexpr uint32_t kMaxDelayMs = 10000;

    // Ticks are the system's millisecond count (GetTickCount); they may wrap around.
    bool MayTry(void* window, uint32_t now) const;
    void Failed(void* window, uint32_t now);
    void Forget(void* window);
    // Forgets every window for which isGone(window) is true.
    template <class IsGone> void ForgetGone(IsGone isGone) {
        std::erase_if(m_entries, [&](const auto& entry) { return isGone(entry.first); });
    }
    std::size_t Size() const { return m_entries.size(); }

  private:
    struct Entry {
        uint32_t m_nextTry = 0;
        uint32_t m_delay = 0;
    };
    std::unordered_map<void*, Entry> m_entries;
};
