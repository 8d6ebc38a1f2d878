#include "mock/TestCoordinator.h"

#include "foundation/CancellationError.h"
#include "mock/TestCoordinatorError.h"

namespace verandel {

TestCoordinator::TestCoordinator(ClockPtr clock)
    : m_clock(std::move(clock))
    , m_state(std::make_shared<State>())
{ }

TestCoordinator::~TestCoordinator()
{
    m_timers.request_stop();
}

void TestCoordinator::signal(const QString &name)
{
    m_state->receivedSignals.insert(name);
    for (OneShot<bool> &waiter : m_state->pendingWaiters.take(name)) {
        waiter.answer(true);
    }
}

QCoro::Task<> TestCoordinator::waitForSignal(QString name, double timeoutSeconds)
{
    OneShot<bool> waiter;
    if (m_state->receivedSignals.remove(name)) {
        waiter.answer(true);
    } else {
        m_state->pendingWaiters[name].append(waiter);
    }
    expireWaiters(m_state, m_clock, name, timeoutSeconds, m_timers.get_token());
    co_await waiter;
}

QCoro::Task<> TestCoordinator::expireWaiters(std::weak_ptr<State> weakState, ClockPtr clock, QString name,
                                             double timeoutSeconds, std::stop_token token)
{
    try {
        co_await clock->sleep(timeoutSeconds, token);
    } catch (const CancellationError &) {
        co_return;
    }
    const std::shared_ptr<State> state = weakState.lock();
    if (!state) {
        co_return;
    }
    for (OneShot<bool> &waiter : state->pendingWaiters.take(name)) {
        waiter.fail(std::make_exception_ptr(TestCoordinatorError::waitTimedOut(name, timeoutSeconds)));
    }
}

bool TestCoordinator::hasSignal(const QString &name) const
{
    return m_state->receivedSignals.contains(name);
}

bool TestCoordinator::clearSignal(const QString &name)
{
    return m_state->receivedSignals.remove(name);
}

void TestCoordinator::clearAllSignals()
{
    m_state->receivedSignals.clear();
}

void TestCoordinator::reset()
{
    m_state->receivedSignals.clear();
    const QHash<QString, QList<OneShot<bool>>> waiters = std::exchange(m_state->pendingWaiters, {});
    for (const QList<OneShot<bool>> &list : waiters) {
        for (OneShot<bool> waiter : list) {
            waiter.fail(std::make_exception_ptr(CancellationError()));
        }
    }
}

} // namespace verandel
