#include "support/ReportLimit.h"

bool CReportLimit::Allow(const void* subject, uint32_t now) {
    std::lock_guard lock(m_lock);
    ForgetExpired(now);
    return m_lastReport.try_emplace(subject, now).second;
}

void CReportLimit::ForgetExpired(uint32_t now) {
    std::erase_if(m_lastReport,
                  [&](const auto& entry) { return now - entry.second >= m_intervalMs; });
}

void CReportLimit::Forget() {
    std::lock_guard lock(m_lock);
    m_lastReport.clear();
}
