#pragma once

#include "foundation/ClockProtocol.h"
#include "foundation/OneShot.h"
#include "foundation/TestCoordinatorProtocol.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <stop_token>

namespace verandel {

// Named one-shot signals with waiters. A signal stays recorded until one wait consumes it (waking
// waiters does not consume it). Each wait starts a timer on the clock that, when it runs out, fails
// every waiter then pending for that name; a timer ends early only when the coordinator goes away
// (its sleep would otherwise keep the clock alive, and a test's clock may never run out).
class TestCoordinator final : public TestCoordinatorProtocol
{
public:
    explicit TestCoordinator(ClockPtr clock);
    ~TestCoordinator() override;

    void signal(const QString &name) override;
    QCoro::Task<> waitForSignal(QString name, double timeoutSeconds) override;
    bool hasSignal(const QString &name) const override;
    bool clearSignal(const QString &name) override;
    void clearAllSignals() override;
    void reset() override;

private:
    struct State
    {
        QSet<QString> receivedSignals;
        QHash<QString, QList<OneShot<bool>>> pendingWaiters;
    };

    static QCoro::Task<> expireWaiters(std::weak_ptr<State> state, ClockPtr clock, QString name, double timeoutSeconds,
                                       std::stop_token token);

    ClockPtr m_clock;
    std::shared_ptr<State> m_state;
    std::stop_source m_timers;
};

} // namespace verandel
