#pragma once

#include "foundation/ClockProtocol.h"

#include <QObject>

#include <coroutine>
#include <map>
#include <utility>

namespace verandel::test {

// Virtual time for tests: sleepers wake, in order of their wake time (ties in order of sleeping),
// only when the test advances the clock. With auto-advance on, every sleep jumps the clock forward
// and returns at once, which suits code that blocks on a pause.
class ManualClock final : public ClockProtocol
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    ~ManualClock() override;

    using ClockProtocol::sleep;
    QCoro::Task<> sleep(double seconds, std::stop_token token) override;
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
        bool *cancelled;
    };
    using Key = std::pair<qint64, quint64>; // wake time in ms since start, sequence number

    class Awaiter;

    QDateTime m_now;
    QDateTime m_origin;
    std::map<Key, Sleeper> m_sleepers;
    quint64 m_sequence = 0;
    bool m_autoAdvance = false;
    QList<double> m_requestedSleeps;
    QObject m_context; // receives the queued resumption of cancelled sleepers
};

} // namespace verandel::test
