#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/LoggerFactory.h"
#include "telemetry/MetricsDispatchPeriodicTrigger.h"
#include "telemetry/MetricsDispatchScheduling.h"
#include "telemetry/MetricsDispatcherProtocol.h"

#include <QObject>

#include <optional>

namespace verandel {

// Decides when dispatch cycles run: once at start, on every tick of the periodic trigger and on
// request, never two at once. Requests that arrive while a cycle runs fold into one follow-up
// cycle. A stop lets a running cycle finish; a start during that cycle only queues its "startup"
// cycle behind it.
//
// Always held by shared_ptr (see create()): a running dispatch loop keeps its scheduler alive.
class MetricsDispatchScheduler final : public MetricsDispatchScheduling,
                                       public std::enable_shared_from_this<MetricsDispatchScheduler>
{
public:
    static constexpr double defaultRetryInterval = 15.0;

    static std::shared_ptr<MetricsDispatchScheduler> create(MetricsDispatcherPtr dispatcher,
                                                            MetricsDispatchPeriodicTriggerPtr periodicTrigger,
                                                            LoggerFactory &loggerFactory);
    // With a trigger ticking every retryInterval seconds on the clock.
    static std::shared_ptr<MetricsDispatchScheduler>
    create(MetricsDispatcherPtr dispatcher, LoggerFactory &loggerFactory, double retryInterval, ClockPtr clock);

    // Requests are handled from the event loop, after the caller has returned.
    void requestDispatch(const QString &reason) override;
    void start() override;
    void stop() override;

private:
    MetricsDispatchScheduler(MetricsDispatcherPtr dispatcher, MetricsDispatchPeriodicTriggerPtr periodicTrigger,
                             LoggerFactory &loggerFactory);

    void handleRequest(const QString &reason);
    QCoro::Task<> runDispatchLoop(QString initialReason);

    MetricsDispatcherPtr m_dispatcher;
    MetricsDispatchPeriodicTriggerPtr m_periodicTrigger;
    LoggerPtr m_logger;
    bool m_isStarted = false;
    // Set while a dispatch loop owns the right to run cycles; only that loop clears it.
    bool m_isDispatching = false;
    std::optional<QString> m_pendingFollowUpReason;
    QObject m_requestContext; // queued requests die with the scheduler
};

} // namespace verandel
