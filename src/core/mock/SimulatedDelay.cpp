#include "mock/SimulatedDelay.h"

#include "foundation/CancellationError.h"

namespace verandel {

QCoro::Task<> simulatedDelay(ClockPtr clock, double seconds)
{
    if (!(seconds > 0)) {
        co_return;
    }
    try {
        co_await clock->sleep(seconds);
    } catch (const CancellationError &) { }
}

} // namespace verandel
