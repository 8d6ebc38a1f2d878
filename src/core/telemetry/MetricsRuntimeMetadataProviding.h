#pragma once

#include "telemetry/MetricsRuntimeMetadata.h"

#include <memory>

namespace verandel {

// The runtime metadata the publisher attaches to every queued event.
class MetricsRuntimeMetadataProviding
{
public:
    virtual ~MetricsRuntimeMetadataProviding() = default;
    virtual MetricsRuntimeMetadata currentMetricsRuntimeMetadata() const = 0;
};

using MetricsRuntimeMetadataProviderPtr = std::shared_ptr<MetricsRuntimeMetadataProviding>;

} // namespace verandel
