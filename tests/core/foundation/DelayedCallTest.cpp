#include "foundation/DelayedCall.h"

#include "support/ManualClock.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace verandel;

TEST(DelayedCallTest, AOneShotCallComesOnceAtItsTimeAndAStartAgainCallsOffTheEarlierWait)
{
    const auto clock = std::make_shared<test::ManualClock>();
    QStringList calls;
    DelayedCall call(clock);
    call.start(5, [&] { calls.append(QStringLiteral("first")); });
    clock->advance(4);
    call.start(5, [&] {
        // Over before it runs, so it may start again.
        EXPECT_FALSE(call.isPending());
        calls.append(QStringLiteral("second@") + clock->now().toString(QStringLiteral("ss")));
        call.start(1, [&] { calls.append(QStringLiteral("third")); });
    });
    EXPECT_TRUE(call.isPending());
    clock->advance(5);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("second@09")}));
    clock->advance(1);
    EXPECT_FALSE(call.isPending());
    clock->advance(60);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("second@09"), QStringLiteral("third")}));
    QCoreApplication::processEvents();
    EXPECT_EQ(clock->sleeperCount(), 0);
}

TEST(DelayedCallTest, ARepeatingCallComesEveryFullIntervalUntilCancelledOrDestroyed)
{
    const auto clock = std::make_shared<test::ManualClock>();
    int ticks = 0;
    {
        DelayedCall call(clock);
        call.startRepeating(2, [&] { ++ticks; });
        clock->advance(7);
        EXPECT_EQ(ticks, 3);
        call.cancel();
        EXPECT_FALSE(call.isPending());
        clock->advance(10);
        EXPECT_EQ(ticks, 3);
        call.startRepeating(2, [&] { ++ticks; });
        clock->advance(2);
        EXPECT_EQ(ticks, 4);
    }
    clock->advance(10);
    EXPECT_EQ(ticks, 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(clock->sleeperCount(), 0);
}
