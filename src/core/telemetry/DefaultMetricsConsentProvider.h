#pragma once

#include "telemetry/MetricsConsentProvider.h"
#include "telemetry/TelemetryPreferencesStore.h"

namespace verandel {

// Consent as the telemetry preferences give it.
class DefaultMetricsConsentProvider final : public MetricsConsentProvider
{
public:
    explicit DefaultMetricsConsentProvider(TelemetryPreferencesStorePtr preferencesStore)
        : m_preferencesStore(std::move(preferencesStore))
    { }

    bool isMetricsCollectionEnabled() const override { return m_preferencesStore->isMetricsCollectionAllowed(); }

private:
    TelemetryPreferencesStorePtr m_preferencesStore;
};

} // namespace verandel
