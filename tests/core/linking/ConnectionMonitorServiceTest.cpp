#include "linking/ConnectionMonitorService.h"

#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeNetworkPathSource.h"
#include "support/fakes/FakeOwnedDevices.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingTestCoordinator.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("a0000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("a0000000-0000-4000-8000-000000000002"));
const QUuid kAway = QUuid::fromString(QStringLiteral("a0000000-0000-4000-8000-000000000003"));
const QDateTime kStart(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
const QString kPeerText = QStringLiteral("A0000000-0000-4000-8000-000000000002");

ConnectedMac stored(const QUuid &id, const QString &name = QStringLiteral("Peer"))
{
    return ConnectedMac(id, name, QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), kStart, kStart, {});
}

DiscoverableMac discovered(const QUuid &id)
{
    return DiscoverableMac(id, QStringLiteral("Peer"), QStringLiteral("1.0.0"),
                           PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), 5000),
                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt, kStart);
}

struct MonitorFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>(kStart);
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<test::TestableMacStorageService> storage = std::make_shared<test::TestableMacStorageService>();
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
    std::shared_ptr<test::FakeOwnedDevices> ownership = std::make_shared<test::FakeOwnedDevices>();
    std::shared_ptr<test::FakeMacIdentifier> identity
        = std::make_shared<test::FakeMacIdentifier>(kLocal, QStringLiteral("Local"));
    std::shared_ptr<test::FakeNetworkPathSource> path = std::make_shared<test::FakeNetworkPathSource>();
    std::shared_ptr<test::RecordingTestCoordinator> signals = std::make_shared<test::RecordingTestCoordinator>();
    std::shared_ptr<ConnectionMonitorService> monitor;
    QList<SendPingCommand> pings;
    QList<SendPingResponseCommand> answers;
    QStringList changes;

    void SetUp() override
    {
        storage->addTestData({stored(kPeer), stored(kAway)});
        directory->linked = {kPeer, kAway};
        directory->discovered.insert(kPeer, discovered(kPeer));
        ownership->owned.insert(kLocal, {QStringLiteral("A4:83:E7:11:22:33")});
    }

    void build(ConnectionMonitorConfiguration configuration = ConnectionMonitorConfiguration::defaultConfiguration())
    {
        monitor = std::make_shared<ConnectionMonitorService>(storage, hub, directory, ownership, identity, *logs,
                                                             configuration, clock, path, signals);
        QObject::connect(hub.get(), &PeerCommunicationHub::pingRequests, hub.get(),
                         [this](const SendPingCommand &c) { pings.append(c); });
        QObject::connect(hub.get(), &PeerCommunicationHub::pingResponses, hub.get(),
                         [this](const SendPingResponseCommand &c) { answers.append(c); });
        QObject::connect(
            monitor.get(), &ConnectionMonitorServiceProtocol::connectionStateChanged, monitor.get(),
            [this](const QUuid &, ConnectionState s) { changes.append(QStringLiteral("state ") + toString(s)); });
        QObject::connect(monitor.get(), &ConnectionMonitorServiceProtocol::connectionStatusChanged, monitor.get(),
                         [this](const QUuid &, const MacConnectionStatusPtr &s) {
                             changes.append(QStringLiteral("status ") + toString(s->connectionState()));
                         });
    }

    void start(ConnectionMonitorConfiguration configuration = ConnectionMonitorConfiguration::defaultConfiguration())
    {
        build(configuration);
        monitor->startMonitoring();
        test::settle();
        changes.clear();
    }

    void answer(const QUuid &from, std::optional<QString> name = std::nullopt)
    {
        hub->send(PingResponseReceivedEvent(from, {}, std::move(name)));
        test::settle();
    }

    MacConnectionStatusPtr peer() const { return monitor->getConnectionStatus(kPeer); }

    QStringList reconnectionLines() const
    {
        return logs->messages(LogLevel::Debug, QStringLiteral("ConnectionMonitorService"))
            .filter(QStringLiteral("Scheduling reconnection"));
    }
};

} // namespace

TEST_F(MonitorFixture, StartLoadsStoredComputersAndPingsTheEligibleOnes)
{
    build();
    monitor->stopMonitoring();
    EXPECT_TRUE(logs->messages(LogLevel::Info, QStringLiteral("ConnectionMonitorService"))
                    .filter(QStringLiteral("Stop"))
                    .isEmpty());

    monitor->startMonitoring();
    EXPECT_EQ(monitor->monitoringState(), MonitoringState::Starting);
    test::settle();
    EXPECT_EQ(monitor->monitoringState(), MonitoringState::Running);
    EXPECT_EQ(monitor->lastUpdateTimestamp(), kStart);
    EXPECT_TRUE(signals->hasSignal(QStringLiteral("startMonitoringCompleted")));
    ASSERT_EQ(monitor->connectionStatuses().size(), 2);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Disconnected);
    ASSERT_EQ(pings.size(), 1);
    EXPECT_EQ(pings.first(), SendPingCommand(kPeer, {QStringLiteral("A4:83:E7:11:22:33")}, QStringLiteral("Local")));
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Skipping health check for ineligible Mac: "
                                              "A0000000-0000-4000-8000-000000000003")));

    monitor->startMonitoring();
    EXPECT_TRUE(logs->contains(LogLevel::Warning, QStringLiteral("Connection monitoring already running")));

    // Every health-check interval pings again.
    answer(kPeer);
    clock->advance(30);
    test::settle();
    EXPECT_EQ(pings.size(), 2);
}

TEST_F(MonitorFixture, AnAnsweredPingConnectsAndLeavesNoTimerBehind)
{
    // The answer comes as soon as the hub hands the ping out.
    build();
    QObject::connect(hub.get(), &PeerCommunicationHub::pingRequests, hub.get(), [this](const SendPingCommand &c) {
        hub->send(PingResponseReceivedEvent(c.recipientMacId, {}, std::nullopt));
    });
    monitor->startMonitoring();
    test::settle();
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Connected);
    EXPECT_EQ(changes, (QStringList{QStringLiteral("status connected"), QStringLiteral("state connected")}));
    clock->advance(1.5);
    test::settle();
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Connected);
    EXPECT_EQ(peer()->consecutiveFailures(), 0);
    EXPECT_TRUE(reconnectionLines().isEmpty());
}

TEST_F(MonitorFixture, AMissedPingDisconnectsAndSchedulesAReconnection)
{
    start();
    answer(kPeer);
    EXPECT_EQ(monitor->activeConnectionCount(), 0) << "an answer does not recount";
    monitor->updateConnectionState(kPeer, ConnectionState::Connected);
    EXPECT_EQ(monitor->activeConnectionCount(), 1);
    clock->advance(30); // the next pass
    test::settle();
    clock->advance(1);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Disconnected);
    EXPECT_EQ(peer()->consecutiveFailures(), 1);
    EXPECT_EQ(peer()->errorMessage(), QStringLiteral("Ping timeout"));
    EXPECT_EQ(monitor->activeConnectionCount(), 0);
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("Ping timeout for Mac ") + kPeerText
                                   + QStringLiteral(" - no response received within 1.0 seconds")));
    EXPECT_EQ(reconnectionLines(),
              QStringList{QStringLiteral("Scheduling reconnection for Mac ") + kPeerText
                          + QStringLiteral(" in 0.5 seconds. Attempt count: 1")});

    changes.clear();
    const qsizetype before = pings.size();
    clock->advance(0.5);
    test::settle();
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Connecting);
    EXPECT_EQ(changes, (QStringList{QStringLiteral("state connecting"), QStringLiteral("status connecting")}));
    EXPECT_EQ(pings.size(), before + 1);
}

TEST_F(MonitorFixture, BackOffClimbsTo128SecondsThenGivesUpWithOnlyAStatusChange)
{
    ConnectionMonitorConfiguration configuration;
    configuration.healthCheckInterval = 1e6;
    start(configuration);
    int connecting = 0;
    QObject::connect(monitor.get(), &ConnectionMonitorServiceProtocol::connectionStateChanged, monitor.get(),
                     [&](const QUuid &, ConnectionState s) { connecting += s == ConnectionState::Connecting; });
    double delay = 0.5;
    for (int attempt = 1; attempt <= 9; ++attempt, delay *= 2) {
        clock->advance(1);
        ASSERT_EQ(peer()->connectionState(), ConnectionState::Disconnected) << "attempt " << attempt;
        clock->advance(delay);
        ASSERT_EQ(peer()->connectionState(), ConnectionState::Connecting) << "attempt " << attempt;
    }
    EXPECT_EQ(connecting, 9);
    clock->advance(1);
    EXPECT_EQ(peer()->consecutiveFailures(), 10);
    changes.clear();
    clock->advance(255.9);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Disconnected);
    clock->advance(0.1);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Error);
    EXPECT_EQ(peer()->errorMessage(), QStringLiteral("Max reconnection attempts exceeded"));
    EXPECT_EQ(changes, QStringList{QStringLiteral("status error")});

    QStringList expected;
    int attempt = 1;
    for (const char *d : {"0.5", "1.0", "2.0", "4.0", "8.0", "16.0", "32.0", "64.0", "128.0", "256.0"}) {
        expected.append(QStringLiteral("Scheduling reconnection for Mac %1 in %2 seconds. Attempt count: %3")
                            .arg(kPeerText, QLatin1String(d))
                            .arg(attempt++));
    }
    EXPECT_EQ(reconnectionLines(), expected);
}

TEST_F(MonitorFixture, TheTestConfigurationGivesUpOnTheFirstReconnection)
{
    ConnectionMonitorConfiguration configuration = ConnectionMonitorConfiguration::test();
    configuration.pingTimeout = 1;
    configuration.baseReconnectionDelay = 0.5;
    start(configuration);
    clock->advance(1.5);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Error);
}

TEST_F(MonitorFixture, ALateAnswerRestoresConnectedAndCancelsTheReconnection)
{
    start();
    clock->advance(1);
    ASSERT_EQ(peer()->connectionState(), ConnectionState::Disconnected);
    answer(kPeer);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Connected);
    EXPECT_EQ(peer()->consecutiveFailures(), 0);
    clock->advance(5);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Connected);
}

TEST_F(MonitorFixture, APingRequestRenamesTheStoredComputerAndIsAnsweredWithOwnedDevices)
{
    start();
    changes.clear();
    hub->send(PingRequestReceivedEvent(kPeer, {}, QStringLiteral("  Studio\u0007 Mac ")));
    test::settle();
    EXPECT_EQ(storage->connectedMacs().first().name(), QStringLiteral("Studio Mac"));
    EXPECT_EQ(storage->connectedMacs().first().lastSeenTimestamp(), kStart);
    EXPECT_EQ(changes, QStringList{QStringLiteral("status disconnected")}) << "the sender's state is unchanged";
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers.first(),
              SendPingResponseCommand(kPeer, {QStringLiteral("A4:83:E7:11:22:33")}, QStringLiteral("Local")));

    // A computer that is not monitored is answered all the same.
    hub->send(PingRequestReceivedEvent(QUuid::createUuid(), {}, std::nullopt));
    test::settle();
    EXPECT_EQ(answers.size(), 2);
}

TEST_F(MonitorFixture, PingsMoveTheLastSeenTimeAtMostOncePerInterval)
{
    start();
    answer(kPeer, QStringLiteral("Peer"));
    EXPECT_TRUE(storage->updateConnectedMacCalls.isEmpty()) << "seen at link time, within the interval";
    clock->advance(30);
    test::settle();
    answer(kPeer);
    ASSERT_EQ(storage->updateConnectedMacCalls.size(), 1);
    EXPECT_EQ(storage->connectedMacs().first().lastSeenTimestamp(), kStart.addSecs(30));
    hub->send(PingRequestReceivedEvent(kPeer, {}, std::nullopt));
    test::settle();
    clock->advance(29);
    test::settle();
    answer(kPeer);
    EXPECT_EQ(storage->updateConnectedMacCalls.size(), 1);
    clock->advance(1);
    hub->send(PingRequestReceivedEvent(kPeer, {}, std::nullopt));
    test::settle();
    EXPECT_EQ(storage->updateConnectedMacCalls.size(), 2);

    storage->stubbedGetConnectedMacResponse = StorageError::corruptedData(QStringLiteral("bad"));
    QSignalSpy errors(monitor.get(), &ConnectionMonitorServiceProtocol::monitoringError);
    answer(kPeer);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Connected) << "the answer counts all the same";
}

TEST_F(MonitorFixture, LosingThePathDisconnectsEveryoneOnceAndRegainingItChecksAtOnce)
{
    start();
    answer(kPeer);
    monitor->updateConnectionState(kAway, ConnectionState::Error);
    const int countBefore = monitor->activeConnectionCount();
    changes.clear();
    path->report(false);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Disconnected);
    EXPECT_EQ(monitor->getConnectionStatus(kAway)->connectionState(), ConnectionState::Disconnected);
    EXPECT_EQ(changes.size(), 4);
    EXPECT_EQ(monitor->activeConnectionCount(), countBefore);
    path->report(false);
    EXPECT_EQ(changes.size(), 4);

    const qsizetype before = pings.size();
    path->report(true);
    test::settle();
    EXPECT_EQ(pings.size(), before + 1);
}

TEST_F(MonitorFixture, AComputerThatBecomesIneligibleIsDisconnectedAndNotPinged)
{
    start();
    answer(kPeer);
    changes.clear();
    directory->discovered.remove(kPeer);
    directory->announce(kPeer, false);
    EXPECT_EQ(peer()->connectionState(), ConnectionState::Disconnected);
    EXPECT_EQ(changes, (QStringList{QStringLiteral("state disconnected"), QStringLiteral("status disconnected")}));
    const qsizetype before = pings.size();
    clock->advance(0.25);
    test::settle();
    EXPECT_TRUE(
        logs->contains(LogLevel::Debug, QStringLiteral("Skipping reconnection for ineligible Mac: ") + kPeerText));
    EXPECT_EQ(pings.size(), before);

    directory->discovered.insert(kPeer, discovered(kPeer));
    directory->announce(kPeer, true);
    test::settle();
    EXPECT_EQ(pings.size(), before + 1);
}

TEST_F(MonitorFixture, ForcedChecksRemovalAndStop)
{
    start();
    monitor->forceHealthCheck(kAway);
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Skipping forced health check for ineligible Mac: "
                                              "A0000000-0000-4000-8000-000000000003")));
    const QUuid stranger = QUuid::createUuid();
    directory->linked.insert(stranger);
    directory->discovered.insert(stranger, discovered(stranger));
    monitor->forceHealthCheck(stranger);
    test::settle();
    EXPECT_EQ(pings.last().recipientMacId, stranger);

    monitor->removeMacFromMonitoring(kPeer);
    clock->advance(1);
    EXPECT_EQ(monitor->getConnectionStatus(kPeer), nullptr);
    EXPECT_TRUE(reconnectionLines().isEmpty()) << "the removed computer's time-out went with it";
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("Skipping ping timeout for Mac ")));

    monitor->addMacToMonitoring(stored(kPeer));
    monitor->stopMonitoring();
    test::settle();
    EXPECT_EQ(monitor->monitoringState(), MonitoringState::Stopped);
    const qsizetype before = pings.size();
    QSignalSpy passes(monitor.get(), &ConnectionMonitorServiceProtocol::healthCheckStarted);
    monitor->performHealthCheck();
    clock->advance(60);
    test::settle();
    EXPECT_EQ(passes.count(), 0);
    EXPECT_EQ(pings.size(), before);
    EXPECT_EQ(monitor->connectionStatuses().size(), 2) << "statuses outlive a stop";
    monitor->addMacToMonitoring(stored(kAway));
    EXPECT_TRUE(signals->hasSignal(QStringLiteral("addMacToMonitoring.scheduleSkipped")));
}

TEST_F(MonitorFixture, AtStartEachComputerIsPingedOnceAndAForcedCheckIsNeverMerged)
{
    // The first pass pings the computer, and then its eligibility, announced meanwhile, would again.
    start();
    directory->announce(kPeer, true);
    test::settle();
    EXPECT_EQ(pings.size(), 1);
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Health check for Mac %1 merged into the ping "
                                              "awaiting its answer")
                                   .arg(kPeerText)));

    // A forced check carries newer devices: it goes out although the first ping awaits its answer.
    ownership->owned.insert(kLocal, {QStringLiteral("A4:83:E7:11:22:33"), QStringLiteral("A4:83:E7:44:55:66")});
    monitor->forceHealthCheck(kPeer);
    test::settle();
    ASSERT_EQ(pings.size(), 2);
    EXPECT_EQ(pings.last().ownedDeviceMacAddresses.size(), 2);

    // Once answered, or missed, the next check pings again.
    answer(kPeer);
    directory->announce(kPeer, true);
    test::settle();
    EXPECT_EQ(pings.size(), 3);
    clock->advance(1);
    directory->announce(kPeer, true);
    test::settle();
    EXPECT_EQ(pings.size(), 4);
}
