#pragma once

#include "foundation/DelayedCall.h"
#include "foundation/LoggerProtocol.h"
#include "update/CanCheckForUpdatesPublisher.h"
#include "update/UpdateCheckStatusObservable.h"

#include <QObject>

#include <optional>

namespace verandel {

// Keeps the shared status from showing a check for ever: a watchdog armed each time a check begins
// ends it after 30 seconds, and the updater saying it can check again ends it at once.
class UpdateCheckCoordinator final : public QObject
{
    Q_OBJECT

public:
    static constexpr double watchdogSeconds = 30.0;
    static inline const QString timeoutMessage = QStringLiteral("Could not check for updates. Please try again.");

    // Follows the status from its next change on; the value it has now is not handled.
    UpdateCheckCoordinator(UpdateCheckStatusPtr updateCheckStatus, LoggerPtr logger, ClockPtr clock,
                           double watchdogInterval = watchdogSeconds);

    // Called once, after the updater started; the publisher's current value counts as its first.
    void bind(CanCheckForUpdatesPublisherPtr canCheckForUpdatesPublisher);

private:
    void handleCheckStateChange(bool isChecking);
    void handleCanCheck(bool canCheck);
    void handleTimeout();

    UpdateCheckStatusPtr m_updateCheckStatus;
    LoggerPtr m_logger;
    double m_watchdogInterval;
    std::optional<bool> m_lastIsChecking;
    DelayedCall m_timeoutWorkItem;
    CanCheckForUpdatesPublisherPtr m_canCheckForUpdatesPublisher;
};

} // namespace verandel
