#include "foundation/DelayedCall.h"

#include "foundation/CancellationError.h"

namespace verandel {

DelayedCall::DelayedCall(ClockPtr clock)
    : m_clock(std::move(clock))
{ }

DelayedCall::~DelayedCall()
{
    cancel();
}

void DelayedCall::start(double seconds, std::function<void()> callback)
{
    launch(seconds, false, std::move(callback));
}

void DelayedCall::startRepeating(double interval, std::function<void()> callback)
{
    launch(interval, true, std::move(callback));
}

void DelayedCall::cancel()
{
    if (m_running) {
        m_running->request_stop();
        m_running.reset();
    }
}

void DelayedCall::launch(double seconds, bool repeating, std::function<void()> callback)
{
    cancel();
    m_running.emplace();
    const std::stop_token token = m_running->get_token();
    std::function<void()> guarded = [this, token, repeating, callback = std::move(callback)] {
        // A one-shot call is over before its callback runs, so the callback may start a new one.
        if (!repeating) {
            m_running.reset();
        }
        callback();
    };
    run(m_clock, seconds, repeating, token, std::move(guarded));
}

// Holds the clock and the token, never the owner: a cancelled wait ends without touching it.
QCoro::Task<> DelayedCall::run(ClockPtr clock, double seconds, bool repeating, std::stop_token token,
                               std::function<void()> callback)
{
    do {
        try {
            co_await clock->sleep(seconds, token);
        } catch (const CancellationError &) {
            co_return;
        }
        if (token.stop_requested()) {
            co_return;
        }
        callback();
    } while (repeating && !token.stop_requested());
}

} // namespace verandel
