#pragma once

#include "foundation/LoggerFactory.h"
#include "telemetry/MetricsConsentProvider.h"
#include "telemetry/MetricsDispatchRequesting.h"
#include "telemetry/MetricsPublisherProtocol.h"
#include "telemetry/MetricsQueueStoreProtocol.h"
#include "telemetry/MetricsRuntimeMetadataProviding.h"

namespace verandel {

// The telemetry entry of the rest of the program. publish() only checks consent and returns; the
// event is stamped with the runtime metadata, queued durably and a dispatch asked for from the
// event loop, after a second look at consent.
class MetricsPublisher final : public MetricsPublisherProtocol
{
public:
    MetricsPublisher(MetricsQueueStorePtr queueStore, MetricsConsentProviderPtr consentProvider,
                     MetricsRuntimeMetadataProviderPtr runtimeMetadataProvider,
                     MetricsDispatchRequesterPtr dispatchRequester, LoggerFactory &loggerFactory);

    void publish(const MetricsEvent &event) override;

private:
    // What an enqueue holds on to, so that it finishes even when the publisher is gone.
    struct Enqueue
    {
        MetricsQueueStorePtr queueStore;
        MetricsConsentProviderPtr consentProvider;
        MetricsRuntimeMetadataProviderPtr runtimeMetadataProvider;
        MetricsDispatchRequesterPtr dispatchRequester;
        LoggerPtr logger;
    };
    static QCoro::Task<> enqueue(Enqueue enqueue, MetricsEvent event);

    Enqueue m_enqueue;
};

} // namespace verandel
