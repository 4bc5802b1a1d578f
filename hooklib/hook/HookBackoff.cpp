#include "hook/HookBackoff.h"

#include <algorithm>

bool CHookBackoff::MayTry(void* window, uint32_t now) const {
    const auto it = m_entries.find(window);
    // Signed distance, so the comparison holds across the counter's wrap-around.
    return it == m_entries.end() || static_cast<int32_t>(now - it->second.m_nextTry) >= 0;
}

void CHookBackoff::Failed(void* window, uint32_t now) {
    Entry& entry = m_entries[window];
    entry.m_delay = entry.m_delay == 0 ? kFirstDelayMs : std::min(entry.m_delay * 2, kMaxDelayMs);
    entry.m_nextTry = now + entry.m_delay;
}

void CHookBackoff::Forget(void* window) {
    m_entries.erase(window);
}
