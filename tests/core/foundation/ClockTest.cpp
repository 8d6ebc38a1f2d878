#include "foundation/CancellationError.h"
#include "foundation/SystemClock.h"

#include "support/DestroyableFrame.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace verandel;

namespace {

// Sleeps, then records its name and the virtual time it woke at.
QCoro::Task<> sleeper(ClockProtocol &clock, double seconds, QString name, QStringList &woken,
                      std::stop_token token = {})
{
    try {
        co_await clock.sleep(seconds, token);
        woken.append(name + QLatin1Char('@') + clock.now().toString(QStringLiteral("ss.zzz")));
    } catch (const CancellationError &) {
        woken.append(name + QStringLiteral(" cancelled"));
    }
}

QCoro::Task<> periodic(ClockProtocol &clock, double interval, int times, QStringList &woken)
{
    for (int i = 0; i < times; ++i) {
        co_await clock.sleep(interval);
        woken.append(QStringLiteral("tick@") + clock.now().toString(QStringLiteral("ss.zzz")));
    }
}

test::DestroyableFrame waitOn(test::ManualClock &clock, double seconds, bool &woke)
{
    co_await clock.wait(seconds);
    woke = true;
}

} // namespace

TEST(ManualClockTest, FrameDestroyedWhileWaitingIsDroppedFromTheClock)
{
    test::ManualClock clock;
    bool firstWoke = false;
    bool secondWoke = false;
    test::DestroyableFrame first = waitOn(clock, 5, firstWoke);
    test::DestroyableFrame second = waitOn(clock, 5, secondWoke);
    ASSERT_EQ(clock.sleeperCount(), 2);

    first.handle.destroy();
    EXPECT_EQ(clock.sleeperCount(), 1);
    clock.advance(10); // would resume the destroyed frame
    EXPECT_FALSE(firstWoke);
    EXPECT_TRUE(secondWoke);
    second.handle.destroy();
}

TEST(ManualClockTest, WakesSleepersInOrderOfWakeTimeAndThoseThatSleepAgainWithinOneAdvance)
{
    test::ManualClock clock;
    QStringList woken;
    auto a = sleeper(clock, 3, QStringLiteral("a"), woken);
    auto b = sleeper(clock, 1, QStringLiteral("b"), woken);
    auto c = sleeper(clock, 2, QStringLiteral("c"), woken);
    auto d = sleeper(clock, 1, QStringLiteral("d"), woken);
    clock.advance(2.5);
    EXPECT_EQ(woken, (QStringList{QStringLiteral("b@01.000"), QStringLiteral("d@01.000"), QStringLiteral("c@02.000")}));
    EXPECT_EQ(clock.now().toString(QStringLiteral("ss.zzz")), QStringLiteral("02.500"));
    clock.advance(0.5);
    EXPECT_EQ(woken.last(), QStringLiteral("a@03.000"));
    EXPECT_EQ(clock.sleeperCount(), 0);

    woken.clear();
    auto loop = periodic(clock, 30, 3, woken);
    clock.advance(75);
    EXPECT_EQ(woken, (QStringList{QStringLiteral("tick@33.000"), QStringLiteral("tick@03.000")}));
    clock.advance(15);
    EXPECT_EQ(woken.size(), 3);
    EXPECT_EQ(clock.requestedSleeps(), (QList<double>{3, 1, 2, 1, 30, 30, 30}));
}

TEST(ManualClockTest, CancellationWakesTheSleeperWithAnError)
{
    test::ManualClock clock;
    QStringList woken;
    std::stop_source stop;
    auto a = sleeper(clock, 10, QStringLiteral("a"), woken, stop.get_token());
    stop.request_stop();
    EXPECT_TRUE(woken.isEmpty()) << "resumed inside request_stop()";
    EXPECT_TRUE(test::waitUntil([&] { return !woken.isEmpty(); }));
    EXPECT_EQ(woken, QStringList{QStringLiteral("a cancelled")});
    EXPECT_EQ(clock.sleeperCount(), 0);

    // Already stopped: throws without waiting.
    auto b = sleeper(clock, 10, QStringLiteral("b"), woken, stop.get_token());
    EXPECT_EQ(woken.last(), QStringLiteral("b cancelled"));
}

TEST(SystemClockTest, SleepsOnTheEventLoopAndCanBeCancelled)
{
    SystemClock clock;
    QStringList woken;
    auto zero = sleeper(clock, 0, QStringLiteral("zero"), woken);
    EXPECT_EQ(woken.size(), 1) << "a zero sleep must not suspend";

    QElapsedTimer elapsed;
    elapsed.start();
    test::runTask(clock.sleep(0.05));
    EXPECT_GE(elapsed.elapsed(), 50);

    std::stop_source stop;
    auto longSleep = sleeper(clock, 3600, QStringLiteral("long"), woken, stop.get_token());
    stop.request_stop();
    EXPECT_EQ(woken.size(), 1) << "resumed inside request_stop()";
    EXPECT_TRUE(test::waitUntil([&] { return woken.size() == 2; }));
    EXPECT_EQ(woken.last(), QStringLiteral("long cancelled"));

    // Stopped from another thread: still resumed on the loop's.
    std::stop_source elsewhere;
    auto stoppedElsewhere = sleeper(clock, 3600, QStringLiteral("elsewhere"), woken, elsewhere.get_token());
    std::thread([&elsewhere] { elsewhere.request_stop(); }).join();
    EXPECT_TRUE(test::waitUntil([&] { return woken.size() == 3; }));
    EXPECT_EQ(woken.last(), QStringLiteral("elsewhere cancelled"));

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_THROW(test::runTask(clock.sleep(1, stopped.get_token())), CancellationError);
    EXPECT_EQ(clock.now().timeSpec(), Qt::UTC);
}
