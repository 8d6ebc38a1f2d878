#pragma once

#include <functional>
#include <memory>

namespace verandel {

// Calls a function after every interval until stopped.
class MetricsDispatchPeriodicTrigger
{
public:
    virtual ~MetricsDispatchPeriodicTrigger() = default;
    // Does nothing while already running.
    virtual void start(std::function<void()> onTick) = 0;
    virtual void stop() = 0;
};

using MetricsDispatchPeriodicTriggerPtr = std::shared_ptr<MetricsDispatchPeriodicTrigger>;

} // namespace verandel
