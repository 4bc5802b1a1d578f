#include "support/FailureReport.h"

#include "support/EventLog.h"
#include "support/NeverDestroyed.h"
#include "support/ReportLimit.h"

namespace {

CNeverDestroyed<CReportLimit> RepeatedFailureLimit;

bool MayReport(const void* subject) noexcept {
    return Barrier(L"the failure reports' limit", false,
                   [subject] { return RepeatedFailureLimit->Allow(subject, GetTickCount()); });
}

} // namespace

bool ReportCaughtFailure(const wchar_t* entry, const void* subject,
                         FailureAudience audience) noexcept {
    if (!MayReport(subject)) {
        return false;
    }
    TraceCaughtFailure(entry);
    try {
        throw;
    } catch (const CFailure& failure) {
        return audience == FailureAudience::User && ReportErrorEvent(failure.what()) != 0;
    } catch (...) {
        return false;
    }
}

void ForgetReportedFailures() noexcept {
    Barrier(L"the failure reports' limit", [] { RepeatedFailureLimit->Forget(); });
}
