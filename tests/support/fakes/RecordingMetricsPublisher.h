#pragma once

#include "telemetry/MetricsPublisherProtocol.h"

#include <QList>

namespace verandel::test {

// Keeps every published event in order.
class RecordingMetricsPublisher final : public MetricsPublisherProtocol
{
public:
    QList<MetricsEvent> events;
    void publish(const MetricsEvent &event) override { events.append(event); }
};

} // namespace verandel::test
