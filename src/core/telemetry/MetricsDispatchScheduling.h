#pragma once

#include "telemetry/MetricsDispatchRequesting.h"

namespace verandel {

// Starts and stops the periodic dispatch cycles.
class MetricsDispatchScheduling : public MetricsDispatchRequesting
{
public:
    virtual void start() = 0;
    virtual void stop() = 0;
};

using MetricsDispatchSchedulerPtr = std::shared_ptr<MetricsDispatchScheduling>;

} // namespace verandel
