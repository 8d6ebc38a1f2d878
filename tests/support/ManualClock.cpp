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

// Movable (QCoro may move awaitables); what the stop callback points at lives on the heap.
class ManualClock::Awaiter
{
public:
    Awaiter(ManualClock &clock, qint64 milliseconds, std::stop_token token)
        : m_state(std::make_unique<State>(clock, milliseconds, std::move(token)))
    { }

    bool await_ready()
    {
        State &state = *m_state;
        if (state.token.stop_requested()) {
            state.cancelled = true;
            return true;
        }
        if (state.clock.m_autoAdvance) {
            state.clock.m_now = state.clock.m_now.addMSecs(state.milliseconds);
            return true;
        }
        return state.milliseconds == 0;
    }

    void await_suspend(std::coroutine_handle<> handle)
    {
        State *state = m_state.get();
        ManualClock &clock = state->clock;
        const qint64 wake = clock.m_origin.msecsTo(clock.m_now) + state->milliseconds;
        state->key = Key{wake, clock.m_sequence++};
        clock.m_sleepers.emplace(state->key, Sleeper{handle, &state->cancelled});
        state->stopCallback.emplace(state->token, [state, handle] {
            ManualClock &owner = state->clock;
            const Key key = state->key;
            QMetaObject::invokeMethod(
                &owner.m_context,
                [&owner, key, handle] {
                    // Still asleep: take it out and resume it as cancelled.
                    const auto it = owner.m_sleepers.find(key);
                    if (it != owner.m_sleepers.end()) {
                        *it->second.cancelled = true;
                        owner.m_sleepers.erase(it);
                        handle.resume();
                    }
                },
                Qt::QueuedConnection);
        });
    }

    void await_resume()
    {
        m_state->stopCallback.reset();
        if (m_state->cancelled) {
            throw CancellationError();
        }
    }

private:
    struct State
    {
        State(ManualClock &owner, qint64 ms, std::stop_token stopToken)
            : clock(owner)
            , milliseconds(ms)
            , token(std::move(stopToken))
        { }
        ManualClock &clock;
        qint64 milliseconds;
        std::stop_token token;
        Key key{};
        bool cancelled = false;
        std::optional<std::stop_callback<std::function<void()>>> stopCallback;
    };

    std::unique_ptr<State> m_state;
};

ManualClock::ManualClock(QDateTime start)
    : m_now(start.toUTC())
    , m_origin(m_now)
{ }

ManualClock::~ManualClock() = default;

QCoro::Task<> ManualClock::sleep(double seconds, std::stop_token token)
{
    m_requestedSleeps.append(seconds);
    co_await Awaiter(*this, toMilliseconds(seconds), std::move(token));
}

void ManualClock::advance(double seconds)
{
    const qint64 target = m_origin.msecsTo(m_now) + toMilliseconds(seconds);
    while (!m_sleepers.empty() && m_sleepers.begin()->first.first <= target) {
        const auto first = m_sleepers.begin();
        const Sleeper sleeper = first->second;
        m_now = m_origin.addMSecs(std::max(first->first.first, m_origin.msecsTo(m_now)));
        m_sleepers.erase(first);
        sleeper.handle.resume();
    }
    m_now = m_origin.addMSecs(std::max(target, m_origin.msecsTo(m_now)));
}

} // namespace verandel::test
