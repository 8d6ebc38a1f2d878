#pragma once

#include <memory>

namespace verandel {

// Whether telemetry may be collected and sent right now.
class MetricsConsentProvider
{
public:
    virtual ~MetricsConsentProvider() = default;
    virtual bool isMetricsCollectionEnabled() const = 0;
};

using MetricsConsentProviderPtr = std::shared_ptr<MetricsConsentProvider>;

} // namespace verandel
