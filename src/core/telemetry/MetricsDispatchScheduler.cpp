#include "telemetry/MetricsDispatchScheduler.h"

#include "foundation/StorageError.h"
#include "telemetry/ClockBasedMetricsDispatchPeriodicTrigger.h"
#include "telemetry/MetricsDispatchReasons.h"

namespace verandel {

std::shared_ptr<MetricsDispatchScheduler>
MetricsDispatchScheduler::create(MetricsDispatcherPtr dispatcher, MetricsDispatchPeriodicTriggerPtr periodicTrigger,
                                 LoggerFactory &loggerFactory)
{
    return std::shared_ptr<MetricsDispatchScheduler>(
        new MetricsDispatchScheduler(std::move(dispatcher), std::move(periodicTrigger), loggerFactory));
}

std::shared_ptr<MetricsDispatchScheduler> MetricsDispatchScheduler::create(MetricsDispatcherPtr dispatcher,
                                                                           LoggerFactory &loggerFactory,
                                                                           double retryInterval, ClockPtr clock)
{
    return create(std::move(dispatcher),
                  std::make_shared<ClockBasedMetricsDispatchPeriodicTrigger>(retryInterval, std::move(clock)),
                  loggerFactory);
}

MetricsDispatchScheduler::MetricsDispatchScheduler(MetricsDispatcherPtr dispatcher,
                                                   MetricsDispatchPeriodicTriggerPtr periodicTrigger,
                                                   LoggerFactory &loggerFactory)
    : m_dispatcher(std::move(dispatcher))
    , m_periodicTrigger(std::move(periodicTrigger))
    , m_logger(loggerFactory.createLogger(QStringLiteral("MetricsDispatchScheduler")))
{ }

void MetricsDispatchScheduler::requestDispatch(const QString &reason)
{
    QMetaObject::invokeMethod(
        &m_requestContext,
        [weak = weak_from_this(), reason] {
            if (const auto self = weak.lock()) {
                self->handleRequest(reason);
            }
        },
        Qt::QueuedConnection);
}

void MetricsDispatchScheduler::start()
{
    if (m_isStarted) {
        return;
    }
    m_isStarted = true;
    m_logger->debug(QStringLiteral("Starting metrics dispatch scheduler"));
    m_periodicTrigger->start([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->requestDispatch(MetricsDispatchReasons::periodic);
        }
    });
    requestDispatch(MetricsDispatchReasons::startup);
}

void MetricsDispatchScheduler::stop()
{
    if (!m_isStarted) {
        return;
    }
    // A running cycle keeps the dispatching flag: it ends by itself, and a start before then only
    // queues behind it.
    m_isStarted = false;
    m_pendingFollowUpReason.reset();
    m_periodicTrigger->stop();
    m_logger->debug(QStringLiteral("Stopped metrics dispatch scheduler"));
}

void MetricsDispatchScheduler::handleRequest(const QString &reason)
{
    if (!m_isStarted) {
        return;
    }
    if (m_isDispatching) {
        if (!m_pendingFollowUpReason) {
            m_pendingFollowUpReason = reason;
        }
        return;
    }
    m_isDispatching = true;
    runDispatchLoop(reason);
}

QCoro::Task<> MetricsDispatchScheduler::runDispatchLoop(QString initialReason)
{
    const auto self = shared_from_this();
    QString reason = initialReason;
    while (self->m_isStarted) {
        self->m_logger->debug(QStringLiteral("Running metrics dispatch cycle for reason: ") + reason);
        try {
            co_await self->m_dispatcher->dispatchNextPendingEvent();
        } catch (const std::exception &error) {
            // Not expected from a dispatcher; still, the scheduler must not stay busy for ever.
            self->m_logger->warning(QStringLiteral("Metrics dispatch cycle failed: ") + describeError(error));
        }
        if (!self->m_pendingFollowUpReason) {
            break;
        }
        reason = *std::exchange(self->m_pendingFollowUpReason, std::nullopt);
    }
    self->m_isDispatching = false;
    self->m_pendingFollowUpReason.reset();
}

} // namespace verandel
