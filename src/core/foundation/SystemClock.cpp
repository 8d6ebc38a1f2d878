#include "foundation/SystemClock.h"

#include "foundation/CancellationError.h"

#include <QThread>
#include <QTimer>

#include <cmath>
#include <coroutine>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <thread>

namespace verandel {

namespace {

std::chrono::milliseconds toMilliseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0) {
        return std::chrono::milliseconds(0);
    }
    // Whole nanoseconds, rounded up to the timer's millisecond resolution so we never wake early.
    const double ms = std::ceil(std::floor(seconds * 1e9) / 1e6);
    const double limit = static_cast<double>(std::numeric_limits<int>::max());
    return std::chrono::milliseconds(static_cast<qint64>(std::min(ms, limit)));
}

// Movable (QCoro may move awaitables); the timer and the stop callback live on the heap.
class TimerSleep
{
public:
    TimerSleep(std::chrono::milliseconds duration, std::stop_token token)
        : m_state(std::make_unique<State>())
    {
        m_state->duration = duration;
        m_state->token = std::move(token);
    }

    bool await_ready()
    {
        if (m_state->token.stop_requested()) {
            m_state->cancelled = true;
            return true;
        }
        return m_state->duration.count() == 0;
    }

    void await_suspend(std::coroutine_handle<> handle)
    {
        State *state = m_state.get();
        state->timer.setSingleShot(true);
        state->timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&state->timer, &QTimer::timeout, &state->timer,
                         [state, handle] { state->finish(handle, state->stopRequested); });
        state->timer.start(state->duration);
        state->stopCallback.emplace(state->token, [state, handle] {
            // Resume from the event loop, never from inside request_stop(). On the loop's own thread
            // the timer is simply made due: most sleeps are deadlines called off while the loop is
            // busy anyway, and a posted call would cost a wake-up of the loop (a write) for nothing.
            if (QThread::currentThread() == state->timer.thread()) {
                state->stopRequested = true;
                state->timer.start(0);
                return;
            }
            // The timer as context drops the call if the sleep ended (and its state went away) first.
            QMetaObject::invokeMethod(
                &state->timer, [state, handle] { state->finish(handle, true); }, Qt::QueuedConnection);
        });
    }

    // True when the whole time passed, false when the token stopped the wait.
    bool await_resume()
    {
        m_state->stopCallback.reset();
        return !m_state->cancelled;
    }

private:
    struct State
    {
        std::chrono::milliseconds duration{0};
        std::stop_token token;
        QTimer timer;
        std::optional<std::stop_callback<std::function<void()>>> stopCallback;
        bool stopRequested = false;
        bool cancelled = false;
        bool finished = false;

        void finish(std::coroutine_handle<> handle, bool wasCancelled)
        {
            if (finished) {
                return;
            }
            finished = true;
            cancelled = wasCancelled;
            timer.stop();
            handle.resume();
        }
    };

    std::unique_ptr<State> m_state;
};

} // namespace

QCoro::Task<> SystemClock::sleep(double seconds, std::stop_token token)
{
    const bool completed = co_await TimerSleep(toMilliseconds(seconds), std::move(token));
    if (!completed) {
        throw CancellationError();
    }
}

QCoro::Task<bool> SystemClock::sleepUnlessStopped(double seconds, std::stop_token token)
{
    const bool completed = co_await TimerSleep(toMilliseconds(seconds), std::move(token));
    co_return completed;
}

void SystemClock::sleepBlocking(double seconds)
{
    std::this_thread::sleep_for(toMilliseconds(seconds));
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace verandel
