#include "telemetry/ClockBasedMetricsDispatchPeriodicTrigger.h"

namespace verandel {

ClockBasedMetricsDispatchPeriodicTrigger::ClockBasedMetricsDispatchPeriodicTrigger(double interval, ClockPtr clock)
    : m_interval(interval)
    , m_task(std::move(clock))
{ }

void ClockBasedMetricsDispatchPeriodicTrigger::start(std::function<void()> onTick)
{
    if (!m_task.isPending()) {
        m_task.startRepeating(m_interval, std::move(onTick));
    }
}

void ClockBasedMetricsDispatchPeriodicTrigger::stop()
{
    m_task.cancel();
}

} // namespace verandel
