#include "UiaDoubles.h"

CFindLog::CFindLog()
    : m_hEntered(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hRelease(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CFindLog::Record(const std::wstring& name) {
    {
        std::lock_guard lock(m_lock);
        m_names.push_back(name);
    }
    if (m_bHold) {
        SetEvent(m_hEntered.get());
        WaitForSingleObject(m_hRelease.get(), 10000);
    }
}

std::vector<std::wstring> CFindLog::Names() {
    std::lock_guard lock(m_lock);
    return m_names;
}
