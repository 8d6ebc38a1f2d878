#pragma once

#include "telemetry/MetricsPublisherProtocol.h"

namespace verandel::test {

// Drops every event: pictures of the windows send nothing.
class PreviewMetricsPublisher final : public MetricsPublisherProtocol
{
public:
    void publish(const MetricsEvent &) override { }
};

} // namespace verandel::test
