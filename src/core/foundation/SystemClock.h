#pragma once

#include "foundation/ClockProtocol.h"

namespace verandel {

// Sleeps on a Qt timer of the calling thread's event loop; occupies no thread while waiting.
class SystemClock final : public ClockProtocol
{
public:
    using ClockProtocol::sleep;
    QCoro::Task<> sleep(double seconds, std::stop_token token) override;
    QCoro::Task<bool> sleepUnlessStopped(double seconds, std::stop_token token) override;
    void sleepBlocking(double seconds) override;
    QDateTime now() const override;
};

} // namespace verandel
