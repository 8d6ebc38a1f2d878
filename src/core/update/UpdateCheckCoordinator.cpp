#include "update/UpdateCheckCoordinator.h"

#include "foundation/CancellationError.h"

namespace verandel {

UpdateCheckCoordinator::UpdateCheckCoordinator(UpdateCheckStatusPtr updateCheckStatus, LoggerPtr logger, ClockPtr clock,
                                               double watchdogInterval)
    : m_updateCheckStatus(std::move(updateCheckStatus))
    , m_logger(std::move(logger))
    , m_clock(std::move(clock))
    , m_watchdogInterval(watchdogInterval)
{
    connect(m_updateCheckStatus.get(), &UpdateCheckStatusObservable::isCheckingChanged, this, [this] {
        const bool isChecking = m_updateCheckStatus->isChecking();
        // Each assignment is announced; only a change of the value counts.
        if (m_lastIsChecking == isChecking) {
            return;
        }
        m_lastIsChecking = isChecking;
        handleCheckStateChange(isChecking);
    });
}

UpdateCheckCoordinator::~UpdateCheckCoordinator()
{
    disarm();
}

void UpdateCheckCoordinator::bind(CanCheckForUpdatesPublisherPtr canCheckForUpdatesPublisher)
{
    m_canCheckForUpdatesPublisher = std::move(canCheckForUpdatesPublisher);
    connect(m_canCheckForUpdatesPublisher.get(), &CanCheckForUpdatesPublisher::canCheckForUpdatesChanged, this,
            &UpdateCheckCoordinator::handleCanCheck);
    handleCanCheck(m_canCheckForUpdatesPublisher->canCheckForUpdates());
}

void UpdateCheckCoordinator::handleCanCheck(bool canCheck)
{
    if (canCheck && m_updateCheckStatus->isChecking()) {
        m_logger->info(QStringLiteral("Sparkle: Update check completed"));
        m_updateCheckStatus->finishCheck();
    }
}

void UpdateCheckCoordinator::handleCheckStateChange(bool isChecking)
{
    if (!isChecking) {
        disarm();
        return;
    }
    m_logger->info(QStringLiteral("Sparkle: Update check started"));
    disarm();
    m_timeoutWorkItem.emplace();
    runWatchdog(QPointer<UpdateCheckCoordinator>(this), m_clock, m_watchdogInterval, m_timeoutWorkItem->get_token());
}

void UpdateCheckCoordinator::disarm()
{
    if (m_timeoutWorkItem) {
        m_timeoutWorkItem->request_stop();
        m_timeoutWorkItem.reset();
    }
}

QCoro::Task<> UpdateCheckCoordinator::runWatchdog(QPointer<UpdateCheckCoordinator> self, ClockPtr clock, double seconds,
                                                  std::stop_token stop)
{
    try {
        co_await clock->sleep(seconds, stop);
    } catch (const CancellationError &) {
        co_return;
    }
    if (!self || stop.stop_requested() || !self->m_updateCheckStatus->isChecking()) {
        co_return;
    }
    self->m_logger->warning(QStringLiteral("Sparkle: Update check timed out after 30 seconds"));
    self->m_updateCheckStatus->setErrorMessage(timeoutMessage);
    self->m_updateCheckStatus->finishCheck();
}

} // namespace verandel
