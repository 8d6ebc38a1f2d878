#include "telemetry/MetricsDispatcher.h"

#include "foundation/StorageError.h"

#include <optional>

namespace verandel {

MetricsDispatcher::MetricsDispatcher(MetricsQueueStorePtr queueStore, MetricsTransportEncoder transportEncoder,
                                     MetricsHTTPClientPtr httpClient, MetricsConsentProviderPtr consentProvider,
                                     LoggerFactory &loggerFactory)
    : m_queueStore(std::move(queueStore))
    , m_transportEncoder(std::move(transportEncoder))
    , m_httpClient(std::move(httpClient))
    , m_consentProvider(std::move(consentProvider))
    , m_logger(loggerFactory.createLogger(QStringLiteral("MetricsDispatcher")))
{ }

QCoro::Task<> MetricsDispatcher::dispatchNextPendingEvent()
{
    const auto self = shared_from_this();
    if (!self->m_consentProvider->isMetricsCollectionEnabled()) {
        self->m_logger->debug(QStringLiteral("Skipping metrics dispatch because telemetry opt-in is disabled"));
        co_return;
    }
    int sent = 0;
    while (sent < maxEventsPerDispatchCycle) {
        // An opt-out during the cycle has emptied the queue; nothing more goes out.
        if (!self->m_consentProvider->isMetricsCollectionEnabled()) {
            co_return;
        }
        const std::optional<MetricsQueueEntry> entry = co_await self->m_queueStore->newest();
        if (!entry) {
            co_return;
        }
        const MetricsEvent event = entry->event;
        const QString name = toString(event.name);

        std::optional<QNetworkRequest> request;
        try {
            request = self->m_transportEncoder.encode(event);
        } catch (const std::exception &error) {
            // It would fail the same way every time, and as the newest entry it would hold back
            // every older one: it goes, the cycle goes on.
            self->m_logger->warning(
                QStringLiteral("Dropped metrics event %1 that cannot be encoded: %2").arg(name, describeError(error)));
        }

        std::optional<QString> failure;
        try {
            if (request) {
                co_await self->m_httpClient->send(*request);
            }
            co_await self->m_queueStore->remove(event.id);
        } catch (const std::exception &error) {
            failure = describeError(error);
        }
        if (failure) {
            self->m_logger->warning(QStringLiteral("Failed to dispatch metrics event %1: %2").arg(name, *failure));
            co_return;
        }
        if (request) {
            ++sent;
        }
    }
    self->m_logger->debug(
        QStringLiteral("Dispatched %1 metrics events").arg(QString::number(maxEventsPerDispatchCycle)));
}

} // namespace verandel
