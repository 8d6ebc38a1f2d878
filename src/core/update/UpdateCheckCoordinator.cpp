#include "update/UpdateCheckCoordinator.h"

namespace verandel {

UpdateCheckCoordinator::UpdateCheckCoordinator(UpdateCheckStatusPtr updateCheckStatus, LoggerPtr logger, ClockPtr clock,
                                               double watchdogInterval)
    : m_updateCheckStatus(std::move(updateCheckStatus))
    , m_logger(std::move(logger))
    , m_watchdogInterval(watchdogInterval)
    , m_timeoutWorkItem(std::move(clock))
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
        m_timeoutWorkItem.cancel();
        return;
    }
    m_logger->info(QStringLiteral("Sparkle: Update check started"));
    m_timeoutWorkItem.start(m_watchdogInterval, [this] { handleTimeout(); });
}

void UpdateCheckCoordinator::handleTimeout()
{
    if (!m_updateCheckStatus->isChecking()) {
        return;
    }
    m_logger->warning(QStringLiteral("Sparkle: Update check timed out after 30 seconds"));
    m_updateCheckStatus->setErrorMessage(timeoutMessage);
    m_updateCheckStatus->finishCheck();
}

} // namespace verandel
