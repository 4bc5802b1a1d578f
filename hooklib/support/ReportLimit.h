#pragma once
// A failure that repeats at every key or every tick (a view that cannot be read, Explorer gone
// for a while) is reported once per subject and interval, not once per occurrence: the event log
// is the user's, and a host that floods it is a host at fault.
#include <cstdint>
#include <map>
#include <mutex>

class CReportLimit {
  public:
    static constexpr uint32_t kDefaultIntervalMs = 60000;

    explicit CReportLimit(uint32_t intervalMs = kDefaultIntervalMs) : m_intervalMs(intervalMs) {}

    // True when a report about subject may be made at now (a millisecond tick count that may
    // wrap), which then counts as made: the first for a subject, or the first once the interval
    // has passed since the last one allowed.
    bool Allow(const void* subject, uint32_t now);
    // Every subject may report again at once.
    void Forget();

  private:
    // Subjects are forgotten once their interval has passed, so windows that come and go all
    // day never grow the map beyond those reported within the last interval.
    void ForgetExpired(uint32_t now);

    const uint32_t m_intervalMs;
    std::mutex m_lock;
    std::map<const void*, uint32_t> m_lastReport;
};
