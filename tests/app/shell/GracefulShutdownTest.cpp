#include "shell/GracefulShutdown.h"

#include "foundation/SystemClock.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "support/ManualClock.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>
#include <QCoro/QCoroTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;

namespace {

const QString started = QStringLiteral("Application will terminate - starting graceful shutdown");
const QString completed = QStringLiteral("Graceful shutdown completed successfully");
const QString timedOut = QStringLiteral("Graceful shutdown timed out after 5 seconds");

// Moves virtual time by 10 ms on every pass of the event loop the wait runs.
class VirtualTimeTicker
{
public:
    explicit VirtualTimeTicker(ManualClock &clock, std::function<void(int)> onTick = {})
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this, &clock, onTick = std::move(onTick)] {
            ++m_ticks;
            if (onTick) {
                onTick(m_ticks);
            }
            clock.advance(0.01);
        });
        m_timer.start();
    }
    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    int m_ticks = 0;
};

// A stop that takes the given virtual seconds (none: it never ends).
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
        GracefulShutdown shutdown(clock, logs.createLogger(QStringLiteral("AppDelegate")));
        VirtualTimeTicker ticker(*clock);
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
    GracefulShutdown shutdown(clock, logs.createLogger(QStringLiteral("AppDelegate")));
    VirtualTimeTicker ticker(*clock, [&shutdown](int tick) {
        if (tick == 3) {
            shutdown.abort();
        }
    });
    std::stop_source stopNever;
    const auto never = [&]() -> QCoro::Task<> { co_await clock->sleep(3600.0, stopNever.get_token()); };
    EXPECT_EQ(shutdown.run(never), GracefulShutdown::Outcome::Aborted);
    EXPECT_EQ(ticker.ticks(), 3);
    stopNever.request_stop();
    QCoreApplication::processEvents();
    EXPECT_FALSE(logs.allMessages().contains(completed));
}

TEST(GracefulShutdownTest, TheWaitRunsTheEventLoopTheStopWaitsOn)
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

// User and system time of this whole process, in seconds.
double processorSeconds()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray line = stat.readAll();
    // After the command's name in parentheses: the state is field 3, utime and stime fields 14 and 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return -1;
    }
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

// The wait sleeps on events: a stop that waits three seconds for a send costs next to no processor.
TEST(GracefulShutdownTest, WaitingForASlowSendLeavesTheProcessorIdle)
{
    auto logs = std::make_shared<RecordingLoggerFactory>();
    auto clock = std::make_shared<SystemClock>();
    // The peer never answers the connection, so the send is held open until its 3 s time-out.
    EphemeralFrameSender sender(logs, clock, 3.0, nullptr, [](QTcpSocket &, const QString &, quint16) {});
    const QUuid self = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000002"));
    const QUuid peer = QUuid::fromString(QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const RawEventEnvelope envelope{QUuid::createUuid(), std::nullopt, self, peer, QStringLiteral("ping_request"),
                                    QByteArray("{}"),    now};
    const DiscoverableMac recipient(peer, QStringLiteral("Peer"), QStringLiteral("1.0"),
                                    PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 9),
                                    QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt, now);
    bool sent = true;
    const auto stop = [&]() -> QCoro::Task<> { sent = co_await sender.send(envelope, recipient); };

    GracefulShutdown shutdown(clock, logs->createLogger(QStringLiteral("AppDelegate")));
    const double processorBefore = processorSeconds();
    ASSERT_GE(processorBefore, 0);
    QElapsedTimer wall;
    wall.start();
    EXPECT_EQ(shutdown.run(stop), GracefulShutdown::Outcome::Completed);
    const double waited = wall.elapsed() / 1000.0;
    const double used = processorSeconds() - processorBefore;
    EXPECT_FALSE(sent);
    EXPECT_GE(waited, 2.9);
    EXPECT_LT(used, 0.1 * waited) << used << " s of processor in " << waited << " s";
}

} // namespace
