#pragma once

#include "foundation/ClockProtocol.h"
#include "telemetry/MetricsDispatchPeriodicTrigger.h"

#include <optional>
#include <stop_token>

namespace verandel {

// A loop sleeping on the clock; the first tick comes one full interval after the start. Stopping
// (or destroying the trigger) cancels the sleep, so no tick follows.
class ClockBasedMetricsDispatchPeriodicTrigger final : public MetricsDispatchPeriodicTrigger
{
public:
    ClockBasedMetricsDispatchPeriodicTrigger(double interval, ClockPtr clock);
    ~ClockBasedMetricsDispatchPeriodicTrigger() override;

    void start(std::function<void()> onTick) override;
    void stop() override;

private:
    static QCoro::Task<> run(double interval, ClockPtr clock, std::stop_token token, std::function<void()> onTick);

    double m_interval;
    ClockPtr m_clock;
    std::optional<std::stop_source> m_running;
};

} // namespace verandel
