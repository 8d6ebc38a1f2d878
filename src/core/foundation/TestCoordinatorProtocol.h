#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <memory>

namespace verandel {

// A hook through which services announce named milestones ("subscriptionsReady", "frameReceived",
// …) so that a test harness can wait for them instead of sleeping. Services hold it optionally; the
// program itself never gives them one.
class TestCoordinatorProtocol
{
public:
    virtual ~TestCoordinatorProtocol() = default;

    // Records the signal and wakes every waiter for it; returns at once.
    virtual void signal(const QString &name) = 0;
    // Returns once the signal has arrived, consuming a recorded one. Throws TestCoordinatorError
    // (waitTimedOut) when it does not arrive in time, CancellationError on reset().
    virtual QCoro::Task<> waitForSignal(QString name, double timeoutSeconds) = 0;
    virtual bool hasSignal(const QString &name) const = 0;
    // Whether the signal was recorded.
    virtual bool clearSignal(const QString &name) = 0;
    virtual void clearAllSignals() = 0;
    virtual void reset() = 0;
};

using TestCoordinatorPtr = std::shared_ptr<TestCoordinatorProtocol>;

} // namespace verandel
