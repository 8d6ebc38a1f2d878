#pragma once

#include "telemetry/MetricsEvent.h"

#include <memory>

namespace verandel {

// The one door through which the rest of the system records telemetry. publish() returns at once
// and never fails towards its caller; without the user's consent the event is dropped.
class MetricsPublisherProtocol
{
public:
    virtual ~MetricsPublisherProtocol() = default;
    virtual void publish(const MetricsEvent &event) = 0;
};

using MetricsPublisherPtr = std::shared_ptr<MetricsPublisherProtocol>;

} // namespace verandel
