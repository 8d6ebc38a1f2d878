#include "telemetry/MetricsDispatchScheduler.h"
#include "telemetry/ClockBasedMetricsDispatchPeriodicTrigger.h"
#include "telemetry/MetricsDispatchReasons.h"

#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/fakes/FakeMetricsDispatcher.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QString category = QStringLiteral("MetricsDispatchScheduler");

QString cycleFor(const QString &reason)
{
    return QStringLiteral("Running metrics dispatch cycle for reason: ") + reason;
}

class MetricsDispatchSchedulerTest : public ::testing::Test
{
protected:
    // Lets queued requests and finished cycles run; virtual time stands still.
    static void settle()
    {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
    }
    void advance(double seconds)
    {
        m_clock->advance(seconds);
        settle();
    }
    // Starts with the startup cycle held in progress.
    void startHoldingCycles()
    {
        m_dispatcher->holdCycles = true;
        m_scheduler->start();
        settle();
    }
    void finishCycle()
    {
        m_dispatcher->finishCycle();
        settle();
    }
    QStringList lines() const { return m_logs.messages(LogLevel::Debug, category); }

    std::shared_ptr<test::ManualClock> m_clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<test::FakeMetricsDispatcher> m_dispatcher = std::make_shared<test::FakeMetricsDispatcher>();
    test::RecordingLoggerFactory m_logs;
    std::shared_ptr<MetricsDispatchScheduler> m_scheduler = MetricsDispatchScheduler::create(
        m_dispatcher, m_logs, MetricsDispatchScheduler::defaultRetryInterval, m_clock);
};

TEST_F(MetricsDispatchSchedulerTest, CyclesAtStartEveryFifteenSecondsAndOnRequest)
{
    m_scheduler->requestDispatch(MetricsDispatchReasons::enqueue);
    settle();
    EXPECT_EQ(m_dispatcher->startedCycles, 0);

    m_scheduler->start();
    EXPECT_EQ(m_dispatcher->startedCycles, 0); // the caller never runs a cycle itself
    settle();
    EXPECT_EQ(m_dispatcher->startedCycles, 1);
    advance(14.9);
    EXPECT_EQ(m_dispatcher->startedCycles, 1);
    advance(0.1);
    EXPECT_EQ(m_dispatcher->startedCycles, 2);
    m_scheduler->requestDispatch(MetricsDispatchReasons::enqueue);
    settle();
    advance(15);
    EXPECT_EQ(lines(),
              (QStringList{QStringLiteral("Starting metrics dispatch scheduler"), cycleFor(QStringLiteral("startup")),
                           cycleFor(QStringLiteral("periodic")), cycleFor(QStringLiteral("enqueue")),
                           cycleFor(QStringLiteral("periodic"))}));
}

TEST_F(MetricsDispatchSchedulerTest, RequestsDuringACycleFoldIntoOneFollowUp)
{
    startHoldingCycles();
    ASSERT_TRUE(m_dispatcher->isCycleRunning());
    m_scheduler->requestDispatch(QStringLiteral("first"));
    for (int i = 0; i < 3; ++i) {
        m_scheduler->requestDispatch(MetricsDispatchReasons::enqueue);
    }
    advance(15); // a tick during the cycle is one more request
    EXPECT_EQ(m_dispatcher->startedCycles, 1);

    finishCycle();
    EXPECT_EQ(m_dispatcher->startedCycles, 2);
    finishCycle();
    EXPECT_EQ(m_dispatcher->startedCycles, 2);
    EXPECT_EQ(m_dispatcher->mostCyclesAtOnce, 1);
    EXPECT_EQ(lines().mid(1), (QStringList{cycleFor(QStringLiteral("startup")), cycleFor(QStringLiteral("first"))}));
}

TEST_F(MetricsDispatchSchedulerTest, StopLetsTheRunningCycleEndWithoutAFollowUp)
{
    startHoldingCycles();
    m_scheduler->requestDispatch(MetricsDispatchReasons::enqueue);
    settle();
    m_scheduler->stop();
    m_scheduler->stop();
    EXPECT_TRUE(m_dispatcher->isCycleRunning());

    finishCycle();
    advance(60);
    m_scheduler->requestDispatch(MetricsDispatchReasons::enqueue);
    settle();
    EXPECT_EQ(m_dispatcher->startedCycles, 1);
    EXPECT_EQ(m_dispatcher->finishedCycles, 1);
    EXPECT_EQ(m_clock->sleeperCount(), 0);
    EXPECT_EQ(lines().count(QStringLiteral("Stopped metrics dispatch scheduler")), 1);
}

TEST_F(MetricsDispatchSchedulerTest, StartingTwiceIsStartingOnce)
{
    m_scheduler->start();
    m_scheduler->start();
    settle();
    EXPECT_EQ(m_clock->sleeperCount(), 1);
    EXPECT_EQ(m_dispatcher->startedCycles, 1);
    EXPECT_EQ(lines().count(QStringLiteral("Starting metrics dispatch scheduler")), 1);
    advance(15);
    EXPECT_EQ(m_dispatcher->startedCycles, 2);
}

TEST_F(MetricsDispatchSchedulerTest, ARestartDuringACycleQueuesItsStartupCycleBehindIt)
{
    startHoldingCycles();
    m_scheduler->stop();
    m_scheduler->start();
    settle();
    EXPECT_EQ(m_dispatcher->startedCycles, 1);

    finishCycle();
    EXPECT_EQ(m_dispatcher->startedCycles, 2);
    finishCycle();
    EXPECT_EQ(m_dispatcher->mostCyclesAtOnce, 1);
    EXPECT_EQ(lines().count(cycleFor(QStringLiteral("startup"))), 2);
    EXPECT_EQ(m_clock->sleeperCount(), 1);
}

TEST(ClockBasedMetricsDispatchPeriodicTriggerTest, AStoppedTriggerTicksNoMoreAndRestartsAFullInterval)
{
    const auto clock = std::make_shared<test::ManualClock>();
    int ticks = 0;
    {
        ClockBasedMetricsDispatchPeriodicTrigger trigger(15, clock);
        trigger.start([&ticks] { ++ticks; });
        clock->advance(10);
        trigger.stop();
        QCoreApplication::processEvents();
        clock->advance(10);
        EXPECT_EQ(ticks, 0);

        trigger.start([&ticks] { ++ticks; });
        clock->advance(14);
        EXPECT_EQ(ticks, 0);
        clock->advance(1);
        EXPECT_EQ(ticks, 1);
        clock->advance(30);
        EXPECT_EQ(ticks, 3);
    }
    // A trigger that goes away takes its loop with it.
    QCoreApplication::processEvents();
    clock->advance(60);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(clock->sleeperCount(), 0);
}

} // namespace
