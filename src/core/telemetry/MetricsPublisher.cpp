#include "telemetry/MetricsPublisher.h"

#include "foundation/StorageError.h"
#include "telemetry/MetricsDispatchReasons.h"

#include <QCoreApplication>

namespace verandel {

MetricsPublisher::MetricsPublisher(MetricsQueueStorePtr queueStore, MetricsConsentProviderPtr consentProvider,
                                   MetricsRuntimeMetadataProviderPtr runtimeMetadataProvider,
                                   MetricsDispatchRequesterPtr dispatchRequester, LoggerFactory &loggerFactory)
    : m_enqueue{std::move(queueStore), std::move(consentProvider), std::move(runtimeMetadataProvider),
                std::move(dispatchRequester), loggerFactory.createLogger(QStringLiteral("MetricsPublisher"))}
{ }

void MetricsPublisher::publish(const MetricsEvent &event)
{
    if (!m_enqueue.consentProvider->isMetricsCollectionEnabled()) {
        m_enqueue.logger->info(QStringLiteral("Dropped metrics event because telemetry opt-in is disabled: ")
                               + toString(event.name));
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [enqueue = m_enqueue, event] { MetricsPublisher::enqueue(enqueue, event); },
        Qt::QueuedConnection);
}

QCoro::Task<> MetricsPublisher::enqueue(Enqueue enqueue, MetricsEvent event)
{
    // Consent is asked again: an opt-out since publish() keeps the event out of the queue it empties.
    if (!enqueue.consentProvider->isMetricsCollectionEnabled()) {
        enqueue.logger->info(
            QStringLiteral("Dropped metrics event before durable enqueue because telemetry opt-in was disabled: ")
            + toString(event.name));
        co_return;
    }
    const QString name = toString(event.name);
    MetricsEvent queued = event.withRuntimeMetadata(enqueue.runtimeMetadataProvider->currentMetricsRuntimeMetadata());
    std::optional<QString> failure;
    try {
        co_await enqueue.queueStore->append(std::move(queued));
    } catch (const std::exception &error) {
        failure = describeError(error);
    }
    if (failure) {
        enqueue.logger->warning(QStringLiteral("Failed to enqueue metrics event %1: %2").arg(name, *failure));
        co_return;
    }
    enqueue.dispatchRequester->requestDispatch(MetricsDispatchReasons::enqueue);
}

} // namespace verandel
