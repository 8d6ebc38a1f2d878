#pragma once

#include "foundation/ClockProtocol.h"

namespace verandel {

// The pause of a simulated operation: nothing for zero, a negative or a NaN time, and it runs to its
// end even when cancelled, as an operation under way in a real stack would.
QCoro::Task<> simulatedDelay(ClockPtr clock, double seconds);

} // namespace verandel
