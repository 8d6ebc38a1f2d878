#pragma once

#include <QCoro/QCoroTask>
#include <QDateTime>

#include <memory>
#include <stop_token>

namespace verandel {

// The only source of "now" and of waiting. Periodic work is a coroutine loop sleeping on it, so
// tests can drive every timer in virtual time.
class ClockProtocol
{
public:
    virtual ~ClockProtocol() = default;

    // Suspends the calling coroutine for the given seconds (negative or non-finite: no wait).
    // Throws CancellationError when the token is stopped before or during the wait.
    virtual QCoro::Task<> sleep(double seconds, std::stop_token token) = 0;
    QCoro::Task<> sleep(double seconds) { return sleep(seconds, std::stop_token{}); }

    // The same wait, answering false instead of throwing when the token is stopped before or during
    // it. For deadlines that are nearly always called off (one per connection): an exception per
    // wait would cost more than the work the deadline guards.
    virtual QCoro::Task<bool> sleepUnlessStopped(double seconds, std::stop_token token) = 0;

    // Blocks the calling thread for the given seconds (negative or non-finite: no wait) without
    // running its event loop, so no other handler runs meanwhile. Only for the few calls that must
    // not return before a pause is over.
    virtual void sleepBlocking(double seconds) = 0;

    // The current wall-clock time, in UTC.
    virtual QDateTime now() const = 0;
};

using ClockPtr = std::shared_ptr<ClockProtocol>;

} // namespace verandel
