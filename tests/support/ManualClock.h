#pragma once

#include "foundation/ClockProtocol.h"

#include <QObject>

#include <coroutine>
#include <map>
#include <memory>
#include <utility>

namespace verandel::test {

// Virtual time for tests: sleepers wake, in order of their wake time (ties in order of sleeping),
// only when the test advances the clock. With auto-advance on, every sleep jumps the clock forward
// and returns at once, which suits code that blocks on a pause.
class ManualClock final : public ClockProtocol
{
    struct AwaiterState;

public:
    // What sleep() awaits. A coroutine frame destroyed while it waits takes its sleeper out of the
    // clock, so a later advance() never resumes a dangling handle.
    class Awaiter
    {
    public:
        // Without throwing, a stopped wait answers false from await_resume().
        Awaiter(ManualClock &clock, qint64 milliseconds, std::stop_token token, bool throwsWhenStopped = true);
        Awaiter(Awaiter &&) noexcept;
        ~Awaiter();
        bool await_ready();
        void await_suspend(std::coroutine_handle<> handle);
        bool await_resume();

    private:
        std::unique_ptr<AwaiterState> m_state; // on the heap: the stop callback points at it
    };

    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    ~ManualClock() override;

    using ClockProtocol::sleep;
    QCoro::Task<> sleep(double seconds, std::stop_token token) override;
    QCoro::Task<bool> sleepUnlessStopped(double seconds, std::stop_token token) override;
    // The same wait, awaited directly by the caller's own frame.
    Awaiter wait(double seconds, std::stop_token token = {});
    // Moves time forward at once and wakes nobody, as a blocked thread lets its timers fall due: the
    // sleepers due meanwhile wake at the next advance().
    void sleepBlocking(double seconds) override;
    QDateTime now() const override { return m_now; }

    // Moves time forward, waking every sleeper due by then; a woken coroutine that sleeps again within
    // the interval is woken in the same call.
    void advance(double seconds);
    void setNow(const QDateTime &now) { m_now = now; }
    void setAutoAdvance(bool enabled) { m_autoAdvance = enabled; }

    int sleeperCount() const { return static_cast<int>(m_sleepers.size()); }
    // Every duration ever asked for, in order of the calls.
    const QList<double> &requestedSleeps() const { return m_requestedSleeps; }

private:
    struct Sleeper
    {
        std::coroutine_handle<> handle;
        AwaiterState *state;
    };
    using Key = std::pair<qint64, quint64>; // wake time in ms since start, sequence number

    QDateTime m_now;
    QDateTime m_origin;
    std::map<Key, Sleeper> m_sleepers;
    quint64 m_sequence = 0;
    bool m_autoAdvance = false;
    QList<double> m_requestedSleeps;
    QObject m_context; // receives the queued resumption of cancelled sleepers
};

} // namespace verandel::test
