#pragma once

#include "foundation/OneShot.h"
#include "telemetry/MetricsDispatcherProtocol.h"

#include <deque>

namespace verandel::test {

// Counts cycles. With holdCycles set, each cycle runs until finishCycle(), so a test can act while
// one is in progress.
class FakeMetricsDispatcher final : public MetricsDispatcherProtocol
{
public:
    bool holdCycles = false;
    int startedCycles = 0;
    int finishedCycles = 0;
    int runningCycles = 0;
    int mostCyclesAtOnce = 0;

    bool isCycleRunning() const { return runningCycles > 0; }
    // Lets the oldest held cycle end (on the next turn of the event loop).
    void finishCycle()
    {
        if (!m_held.empty()) {
            OneShot<bool> next = m_held.front();
            m_held.pop_front();
            next.answer(true);
        }
    }

    QCoro::Task<> dispatchNextPendingEvent() override
    {
        ++startedCycles;
        ++runningCycles;
        mostCyclesAtOnce = std::max(mostCyclesAtOnce, runningCycles);
        if (holdCycles) {
            const OneShot<bool> release;
            m_held.push_back(release);
            co_await release;
        }
        --runningCycles;
        ++finishedCycles;
    }

private:
    std::deque<OneShot<bool>> m_held;
};

} // namespace verandel::test
