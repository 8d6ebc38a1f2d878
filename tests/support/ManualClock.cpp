#include "support/ManualClock.h"

#include "foundation/CancellationError.h"

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace verandel::test {

namespace {
qint64 toMilliseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0) {
        return 0;
    }
    return static_cast<qint64>(std::ceil(seconds * 1000.0));
}
} // namespace

struct ManualClock::AwaiterState
{
    AwaiterState(ManualClock &owner, qint64 ms, std::stop_token stopToken, bool throws)
        : clock(&owner)
        , milliseconds(ms)
        , token(std::move(stopToken))
        , throwsWhenStopped(throws)
    { }
    ManualClock *clock; // null once the clock is gone
    qint64 milliseconds;
    std::stop_token token;
    bool throwsWhenStopped;
    Key key{};
    bool cancelled = false;
    bool sleeping = false;
    std::optional<std::stop_callback<std::function<void()>>> stopCallback;
};

ManualClock::Awaiter::Awaiter(ManualClock &clock, qint64 milliseconds, std::stop_token token, bool throwsWhenStopped)
    : m_state(std::make_unique<AwaiterState>(clock, milliseconds, std::move(token), throwsWhenStopped))
{ }

ManualClock::Awaiter::Awaiter(Awaiter &&) noexcept = default;

ManualClock::Awaiter::~Awaiter()
{
    if (m_state && m_state->sleeping && m_state->clock) {
        m_state->clock->m_sleepers.erase(m_state->key);
    }
}

bool ManualClock::Awaiter::await_ready()
{
    AwaiterState &state = *m_state;
    if (state.token.stop_requested()) {
        state.cancelled = true;
        return true;
    }
    if (state.clock->m_autoAdvance) {
        state.clock->m_now = state.clock->m_now.addMSecs(state.milliseconds);
        return true;
    }
    return state.milliseconds == 0;
}

void ManualClock::Awaiter::await_suspend(std::coroutine_handle<> handle)
{
    AwaiterState *state = m_state.get();
    ManualClock &clock = *state->clock;
    const qint64 wake = clock.m_origin.msecsTo(clock.m_now) + state->milliseconds;
    state->key = Key{wake, clock.m_sequence++};
    clock.m_sleepers.emplace(state->key, Sleeper{handle, state});
    state->sleeping = true;
    state->stopCallback.emplace(state->token, [state, handle] {
        ManualClock &owner = *state->clock;
        const Key key = state->key;
        QMetaObject::invokeMethod(
            &owner.m_context,
            [&owner, key, handle] {
                // Still asleep: take it out and resume it as cancelled.
                const auto it = owner.m_sleepers.find(key);
                if (it != owner.m_sleepers.end()) {
                    it->second.state->cancelled = true;
                    it->second.state->sleeping = false;
                    owner.m_sleepers.erase(it);
                    handle.resume();
                }
            },
            Qt::QueuedConnection);
    });
}

bool ManualClock::Awaiter::await_resume()
{
    m_state->stopCallback.reset();
    if (m_state->cancelled && m_state->throwsWhenStopped) {
        throw CancellationError();
    }
    return !m_state->cancelled;
}

ManualClock::ManualClock(QDateTime start)
    : m_now(start.toUTC())
    , m_origin(m_now)
{ }

ManualClock::~ManualClock()
{
    for (auto &[key, sleeper] : m_sleepers) {
        sleeper.state->clock = nullptr;
    }
}

ManualClock::Awaiter ManualClock::wait(double seconds, std::stop_token token)
{
    m_requestedSleeps.append(seconds);
    return Awaiter(*this, toMilliseconds(seconds), std::move(token));
}

QCoro::Task<> ManualClock::sleep(double seconds, std::stop_token token)
{
    co_await wait(seconds, std::move(token));
}

QCoro::Task<bool> ManualClock::sleepUnlessStopped(double seconds, std::stop_token token)
{
    m_requestedSleeps.append(seconds);
    const bool completed = co_await Awaiter(*this, toMilliseconds(seconds), std::move(token), false);
    co_return completed;
}

void ManualClock::sleepBlocking(double seconds)
{
    m_requestedSleeps.append(seconds);
    m_now = m_now.addMSecs(toMilliseconds(seconds));
}

void ManualClock::advance(double seconds)
{
    const qint64 target = m_origin.msecsTo(m_now) + toMilliseconds(seconds);
    while (!m_sleepers.empty() && m_sleepers.begin()->first.first <= target) {
        const auto first = m_sleepers.begin();
        const Sleeper sleeper = first->second;
        m_now = m_origin.addMSecs(std::max(first->first.first, m_origin.msecsTo(m_now)));
        m_sleepers.erase(first);
        sleeper.state->sleeping = false;
        sleeper.handle.resume();
    }
    m_now = m_origin.addMSecs(std::max(target, m_origin.msecsTo(m_now)));
}

} // namespace verandel::test
