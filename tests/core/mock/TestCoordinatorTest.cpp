#include "mock/TestCoordinator.h"

#include "foundation/CancellationError.h"
#include "mock/TestCoordinatorError.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

enum class Outcome { Pending, Signalled, TimedOut, Cancelled };

struct Waiter
{
    Outcome outcome = Outcome::Pending;
    QString description;
};

QCoro::Task<> waitInto(TestCoordinator &coordinator, QString name, double timeout, std::shared_ptr<Waiter> waiter)
{
    try {
        co_await coordinator.waitForSignal(name, timeout);
        waiter->outcome = Outcome::Signalled;
    } catch (const TestCoordinatorError &error) {
        waiter->outcome = Outcome::TimedOut;
        waiter->description = error.description();
    } catch (const CancellationError &) {
        waiter->outcome = Outcome::Cancelled;
    }
}

struct CoordinatorFixture : ::testing::Test
{
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    TestCoordinator coordinator{clock};

    std::shared_ptr<Waiter> startWait(const QString &name, double timeout)
    {
        auto waiter = std::make_shared<Waiter>();
        waitInto(coordinator, name, timeout, waiter);
        return waiter;
    }
};

} // namespace

TEST_F(CoordinatorFixture, SignalBeforeWaitIsConsumedByTheWait)
{
    coordinator.signal(QStringLiteral("ready"));
    EXPECT_TRUE(coordinator.hasSignal(QStringLiteral("ready")));
    const auto waiter = startWait(QStringLiteral("ready"), 5);
    ASSERT_TRUE(test::waitUntil([&] { return waiter->outcome != Outcome::Pending; }));
    EXPECT_EQ(waiter->outcome, Outcome::Signalled);
    EXPECT_FALSE(coordinator.hasSignal(QStringLiteral("ready")));
}

TEST_F(CoordinatorFixture, SignalWakesEveryWaiterAndStaysRecorded)
{
    const auto first = startWait(QStringLiteral("ready"), 5);
    const auto second = startWait(QStringLiteral("ready"), 5);
    coordinator.signal(QStringLiteral("ready"));
    ASSERT_TRUE(
        test::waitUntil([&] { return first->outcome != Outcome::Pending && second->outcome != Outcome::Pending; }));
    EXPECT_EQ(first->outcome, Outcome::Signalled);
    EXPECT_EQ(second->outcome, Outcome::Signalled);
    EXPECT_TRUE(coordinator.hasSignal(QStringLiteral("ready")));
}

TEST_F(CoordinatorFixture, WaitTimesOutInVirtualTime)
{
    const auto waiter = startWait(QStringLiteral("never"), 5);
    clock->advance(4.9);
    QCoreApplication::processEvents();
    EXPECT_EQ(waiter->outcome, Outcome::Pending);
    clock->advance(0.1);
    ASSERT_TRUE(test::waitUntil([&] { return waiter->outcome != Outcome::Pending; }));
    EXPECT_EQ(waiter->outcome, Outcome::TimedOut);
    EXPECT_EQ(waiter->description, QStringLiteral("Timed out waiting for signal 'never' after 5.0 seconds"));
}

TEST_F(CoordinatorFixture, AnEarlierWaitsTimerFailsALaterWaiterOfTheSameName)
{
    coordinator.signal(QStringLiteral("x"));
    const auto first = startWait(QStringLiteral("x"), 1);
    const auto second = startWait(QStringLiteral("x"), 60);
    clock->advance(1);
    ASSERT_TRUE(test::waitUntil([&] { return second->outcome != Outcome::Pending; }));
    EXPECT_EQ(first->outcome, Outcome::Signalled);
    EXPECT_EQ(second->outcome, Outcome::TimedOut);
    EXPECT_EQ(second->description, QStringLiteral("Timed out waiting for signal 'x' after 1.0 seconds"));
}

TEST_F(CoordinatorFixture, ResetCancelsEveryWaiterAndClearSignalReports)
{
    const QList<std::shared_ptr<Waiter>> waiters
        = {startWait(QStringLiteral("a"), 5), startWait(QStringLiteral("a"), 5), startWait(QStringLiteral("b"), 5)};
    coordinator.signal(QStringLiteral("c"));
    coordinator.reset();
    ASSERT_TRUE(test::waitUntil([&] {
        return std::all_of(waiters.begin(), waiters.end(),
                           [](const auto &w) { return w->outcome != Outcome::Pending; });
    }));
    for (const auto &waiter : waiters) {
        EXPECT_EQ(waiter->outcome, Outcome::Cancelled);
    }
    EXPECT_FALSE(coordinator.hasSignal(QStringLiteral("c")));
    EXPECT_FALSE(coordinator.clearSignal(QStringLiteral("never")));
    coordinator.signal(QStringLiteral("d"));
    EXPECT_TRUE(coordinator.clearSignal(QStringLiteral("d")));
    EXPECT_FALSE(coordinator.hasSignal(QStringLiteral("d")));
}
