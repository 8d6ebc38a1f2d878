#pragma once

#include "foundation/LoggerFactory.h"
#include "telemetry/MetricsConsentProvider.h"
#include "telemetry/MetricsDispatcherProtocol.h"
#include "telemetry/MetricsHTTPClient.h"
#include "telemetry/MetricsQueueStoreProtocol.h"
#include "telemetry/MetricsTransportEncoder.h"

namespace verandel {

// Sends queued events while the user consents: newest first, one beacon each, at most ten per
// cycle, each removed once the server took it. A send or removal that fails ends the cycle and
// leaves its event queued for the next one; an event that can never be encoded is dropped instead.
//
// Always held by shared_ptr: a cycle in progress keeps its dispatcher alive.
class MetricsDispatcher final : public MetricsDispatcherProtocol, public std::enable_shared_from_this<MetricsDispatcher>
{
public:
    static constexpr int maxEventsPerDispatchCycle = 10;

    MetricsDispatcher(MetricsQueueStorePtr queueStore, MetricsTransportEncoder transportEncoder,
                      MetricsHTTPClientPtr httpClient, MetricsConsentProviderPtr consentProvider,
                      LoggerFactory &loggerFactory);

    QCoro::Task<> dispatchNextPendingEvent() override;

private:
    MetricsQueueStorePtr m_queueStore;
    MetricsTransportEncoder m_transportEncoder;
    MetricsHTTPClientPtr m_httpClient;
    MetricsConsentProviderPtr m_consentProvider;
    LoggerPtr m_logger;
};

} // namespace verandel
