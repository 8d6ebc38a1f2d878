#pragma once

#include "foundation/DelayedCall.h"
#include "telemetry/MetricsDispatchPeriodicTrigger.h"

namespace verandel {

// A repeating call on the clock; the first tick comes one full interval after the start. Stopping
// (or destroying the trigger) cancels the wait, so no tick follows.
class ClockBasedMetricsDispatchPeriodicTrigger final : public MetricsDispatchPeriodicTrigger
{
public:
    ClockBasedMetricsDispatchPeriodicTrigger(double interval, ClockPtr clock);

    void start(std::function<void()> onTick) override;
    void stop() override;

private:
    double m_interval;
    DelayedCall m_task;
};

} // namespace verandel
