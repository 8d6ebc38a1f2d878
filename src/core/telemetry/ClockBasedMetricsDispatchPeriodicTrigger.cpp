#include "telemetry/ClockBasedMetricsDispatchPeriodicTrigger.h"

#include "foundation/CancellationError.h"

namespace verandel {

ClockBasedMetricsDispatchPeriodicTrigger::ClockBasedMetricsDispatchPeriodicTrigger(double interval, ClockPtr clock)
    : m_interval(interval)
    , m_clock(std::move(clock))
{ }

ClockBasedMetricsDispatchPeriodicTrigger::~ClockBasedMetricsDispatchPeriodicTrigger()
{
    stop();
}

void ClockBasedMetricsDispatchPeriodicTrigger::start(std::function<void()> onTick)
{
    if (m_running) {
        return;
    }
    m_running.emplace();
    run(m_interval, m_clock, m_running->get_token(), std::move(onTick));
}

void ClockBasedMetricsDispatchPeriodicTrigger::stop()
{
    if (m_running) {
        m_running->request_stop();
        m_running.reset();
    }
}

// Holds only what it needs, not the trigger, so a trigger that goes away ends its loop.
QCoro::Task<> ClockBasedMetricsDispatchPeriodicTrigger::run(double interval, ClockPtr clock, std::stop_token token,
                                                            std::function<void()> onTick)
{
    while (!token.stop_requested()) {
        try {
            co_await clock->sleep(interval, token);
        } catch (const CancellationError &) {
            co_return;
        }
        if (token.stop_requested()) {
            co_return;
        }
        onTick();
    }
}

} // namespace verandel
