#include "shell/GracefulShutdown.h"

#include "support/ManualClock.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>
#include <QCoro/QCoroTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString started = QStringLiteral("Application will terminate - starting graceful shutdown");
const QString completed = QStringLiteral("Graceful shutdown completed successfully");
const QString timedOut = QStringLiteral("Graceful shutdown timed out after 5 seconds");

// A stop that takes the given virtual seconds (none: it never ends), with each slice of the loop
// moving virtual time by 10 ms.
struct ShutdownCase
{
    const char *name;
    std::optional<double> stopTakes;
    GracefulShutdown::Outcome outcome;
    double elapsed;
};

TEST(GracefulShutdownTest, WaitsForTheStopAtMostFiveSecondsOnTheClock)
{
    const ShutdownCase cases[] = {
        {"stops at once", 0.0, GracefulShutdown::Outcome::Completed, 0.0},
        {"stops within the time", 1.23, GracefulShutdown::Outcome::Completed, 1.23},
        {"stops exactly at the deadline", 5.0, GracefulShutdown::Outcome::Completed, 5.0},
        {"never stops", std::nullopt, GracefulShutdown::Outcome::TimedOut, 5.0},
    };
    for (const ShutdownCase &c : cases) {
        auto clock = std::make_shared<ManualClock>();
        RecordingLoggerFactory logs;
        const QDateTime start = clock->now();
        int slices = 0;
        GracefulShutdown shutdown(clock, logs.createLogger(QStringLiteral("AppDelegate")), [&] {
            ++slices;
            clock->advance(0.01);
        });
        std::stop_source never;
        const auto stop
            = [&]() -> QCoro::Task<> { co_await clock->sleep(c.stopTakes.value_or(3600.0), never.get_token()); };
        EXPECT_EQ(shutdown.run(stop), c.outcome) << c.name;
        EXPECT_EQ(start.msecsTo(clock->now()), qint64(c.elapsed * 1000)) << c.name;
        const QStringList expected = c.outcome == GracefulShutdown::Outcome::Completed ? QStringList{started, completed}
                                                                                       : QStringList{started, timedOut};
        EXPECT_EQ(logs.allMessages(), expected) << c.name;
        EXPECT_FALSE(shutdown.isRunning());
        // A stop left running is dropped with the process; here it ends before the clock goes.
        never.request_stop();
        QCoreApplication::processEvents();
    }
}

TEST(GracefulShutdownTest, ASecondQuitRequestEndsTheWaitAtOnce)
{
    auto clock = std::make_shared<ManualClock>();
    RecordingLoggerFactory logs;
    GracefulShutdown *running = nullptr;
    int slices = 0;
    GracefulShutdown shutdown(clock, logs.createLogger(QStringLiteral("AppDelegate")), [&] {
        if (++slices == 3) {
            running->abort();
        }
        clock->advance(0.01);
    });
    running = &shutdown;
    std::stop_source stopNever;
    const auto never = [&]() -> QCoro::Task<> { co_await clock->sleep(3600.0, stopNever.get_token()); };
    EXPECT_EQ(shutdown.run(never), GracefulShutdown::Outcome::Aborted);
    stopNever.request_stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(slices, 3);
    EXPECT_FALSE(logs.allMessages().contains(completed));
}

TEST(GracefulShutdownTest, TheDefaultSliceRunsTheEventLoopTheStopWaitsOn)
{
    RecordingLoggerFactory logs;
    auto clock = std::make_shared<ManualClock>();
    GracefulShutdown shutdown(clock, logs.createLogger(QStringLiteral("AppDelegate")));
    const auto stop = []() -> QCoro::Task<> {
        QTimer timer;
        timer.setSingleShot(true);
        timer.start(0);
        co_await timer;
    };
    EXPECT_EQ(shutdown.run(stop), GracefulShutdown::Outcome::Completed);
}

} // namespace
