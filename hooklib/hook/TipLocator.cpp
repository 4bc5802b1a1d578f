#include "hook/TipLocator.h"

#include <mutex>
#include <optional>

#include "support/Barrier.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"
#include "support/WorkerThread.h"
#include "ui/InfoTip.h"
#include "view/UIATools.h"

struct CTipLocator::CQueue {
    std::mutex m_lock;
    std::optional<TipLocateRequest> m_pending;
    bool m_bRunning = false;

    // The next request, or none; a worker that gets none has ended.
    std::optional<TipLocateRequest> Take() {
        std::lock_guard lock(m_lock);
        std::optional<TipLocateRequest> next = std::exchange(m_pending, std::nullopt);
        m_bRunning = next.has_value();
        return next;
    }
};

namespace {

void Place(CUIATools& tools, const TipLocateRequest& request) {
    RECT rect{};
    if (tools.FindItemRect(request.m_itemName, rect) == 0) {
        PostMessageW(request.m_hTip, WM_INFOTIP_SHOWAT, static_cast<WPARAM>(request.m_displayMs),
                     MakeInfoTipPosition(rect.left, rect.bottom));
    }
}

// One automation object serves every request of a run; the requests of a window share its view.
void Work(const std::shared_ptr<CTipLocator::CQueue>& queue) {
    std::optional<TipLocateRequest> request = queue->Take();
    if (!request) {
        return;
    }
    // UI Automation clients belong in the multithreaded apartment (the worker owns no window).
    const unique_com_init com(COINIT_MULTITHREADED);
    CUIATools tools(request->m_hView);
    tools.Init();
    for (; request; request = queue->Take()) {
        Place(tools, *request);
    }
}

} // namespace

CTipLocator::CTipLocator() : m_queue(std::make_shared<CQueue>()) {}

void CTipLocator::Locate(TipLocateRequest request) noexcept {
    Barrier(L"CTipLocator::Locate", [&] {
        {
            std::lock_guard lock(m_queue->m_lock);
            m_queue->m_pending = std::move(request);
            if (m_queue->m_bRunning) {
                return;
            }
            m_queue->m_bRunning = true;
        }
        if (!StartWorkerThread([queue = m_queue] { Work(queue); })) {
            std::lock_guard lock(m_queue->m_lock);
            m_queue->m_bRunning = false;
            m_queue->m_pending.reset();
        }
    });
}
