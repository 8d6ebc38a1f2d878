#include "linking/ConnectionMonitorService.h"
#include "linking/MacDiscoveryService.h"
#include "linking/PeerDirectoryService.h"

#include "foundation/PosixFileManager.h"
#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "records/ConnectedMacStorageService.h"
#include "records/DeviceStorageService.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeNetworkPathSource.h"
#include "support/fakes/FakeServiceAdvertiser.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingMetricsPublisher.h"
#include "transfer/DeviceOwnershipService.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kMacA = QUuid::fromString(QStringLiteral("d1000000-0000-4000-8000-00000000000a"));
const QUuid kMacB = QUuid::fromString(QStringLiteral("d1000000-0000-4000-8000-00000000000b"));

// The real sender, counting what it was given and what it delivered, so that the test can wait for
// the loopback traffic to end before it moves virtual time.
class CountingSender final : public FrameSenderProtocol
{
public:
    explicit CountingSender(FrameSenderPtr inner)
        : m_inner(std::move(inner))
    { }

    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override
    {
        ++started;
        const FrameSenderPtr inner = m_inner;
        const bool sent = co_await inner->send(std::move(envelope), std::move(recipient));
        ++finished;
        delivered += sent ? 1 : 0;
        co_return sent;
    }

    int started = 0;
    int finished = 0;
    int delivered = 0;

private:
    FrameSenderPtr m_inner;
};

// One computer's whole graph over real loopback TCP: stores in a temporary folder, the real hub,
// bridge, sender and listener, the directory, the monitor and the discovery service. Discovery is a
// scripted double; time is the shared virtual clock.
struct Node
{
    Node(QUuid id, const QString &name, const std::shared_ptr<test::ManualClock> &clock,
         const std::shared_ptr<test::RecordingLoggerFactory> &logs)
        : clock(clock)
        , identity(std::make_shared<test::FakeMacIdentifier>(id, name))
    {
        // The file store's own pauses (retries only) must never wait on the shared clock.
        auto storeClock = std::make_shared<test::ManualClock>();
        storeClock->setAutoAdvance(true);
        const StorageManagerPtr storage
            = StorageManager::create(std::make_shared<PosixFileManager>(), storeClock, dir.path(), *logs);
        linkedComputers = std::make_shared<ConnectedMacStorageService>(storage, *logs, clock);
        hub = std::make_shared<PeerCommunicationHub>(logs);
        listener = std::make_shared<EphemeralFrameListener>(
            logs, clock, std::make_shared<test::FakeServiceAdvertiser>(), nullptr, QHostAddress::LocalHost);
        directory = std::make_shared<PeerDirectoryService>(*transport, linkedComputers, *logs);
        sender = std::make_shared<CountingSender>(std::make_shared<EphemeralFrameSender>(logs, clock, 5.0));
        bridge = std::make_unique<NetworkBridge>(hub, sender, listener, directory, identity,
                                                 NetworkBridge::Configuration{}, logs, clock);
        ownership = std::make_shared<DeviceOwnershipService>(
            hub, std::make_shared<DeviceStorageService>(storage, *logs, clock),
            std::make_shared<test::FakeBluetoothDeviceManager>(), *logs);
        monitor
            = std::make_shared<ConnectionMonitorService>(linkedComputers, hub, directory, ownership, identity, *logs,
                                                         ConnectionMonitorConfiguration::defaultConfiguration(), clock,
                                                         std::make_shared<test::FakeNetworkPathSource>());
        permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
        discovery = std::make_shared<MacDiscoveryService>(
            transport, listener, identity, hub, linkedComputers, monitor, directory, permissions,
            std::make_shared<test::RecordingMetricsPublisher>(), *logs, clock);
        QObject::connect(listener.get(), &FrameListenerProtocol::receivedFrames, listener.get(),
                         [this] { ++framesReceived; });
    }

    void start()
    {
        bridge->start();
        monitor->startMonitoring();
        test::runTask(discovery->startAdvertising());
    }

    // What this computer's browsing reports of the other: its record at its loopback port.
    void discovers(const Node &other)
    {
        const std::optional<SecurityCode> code = other.discovery->currentSecurityCode();
        transport->simulateDiscoveredMac(
            other.identity->makeDiscoveredMac(code ? std::optional<QString>(code->code()) : std::nullopt)
                .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), other.listener->port())));
    }

    std::optional<ConnectedMac> stored(const QUuid &id) const { return linkedComputers->getConnectedMac(id); }
    ConnectionState stateOf(const QUuid &id) const
    {
        const MacConnectionStatusPtr status = monitor->getConnectionStatus(id);
        return status ? status->connectionState() : ConnectionState::Error;
    }

    QTemporaryDir dir;
    std::shared_ptr<test::ManualClock> clock;
    std::shared_ptr<test::FakeMacIdentifier> identity;
    std::shared_ptr<test::MockTransport> transport = std::make_shared<test::MockTransport>();
    std::shared_ptr<test::MockSystemPermissionChecker> permissions
        = std::make_shared<test::MockSystemPermissionChecker>();
    std::shared_ptr<ConnectedMacStorageService> linkedComputers;
    std::shared_ptr<PeerCommunicationHub> hub;
    std::shared_ptr<EphemeralFrameListener> listener;
    std::shared_ptr<CountingSender> sender;
    std::shared_ptr<PeerDirectoryService> directory;
    std::unique_ptr<NetworkBridge> bridge;
    std::shared_ptr<DeviceOwnershipService> ownership;
    std::shared_ptr<ConnectionMonitorService> monitor;
    std::shared_ptr<MacDiscoveryService> discovery;
    int framesReceived = 0;
};

// Waits until every frame handed to a sender has arrived and no connection is open: a connection
// still open when virtual time jumps would run into its deadline.
bool trafficEnded(const Node &a, const Node &b)
{
    return test::waitUntil([&] {
        return a.sender->started == a.sender->finished && b.sender->started == b.sender->finished
            && a.sender->delivered == b.framesReceived && b.sender->delivered == a.framesReceived
            && a.listener->activeConnectionCount() == 0 && b.listener->activeConnectionCount() == 0;
    });
}

} // namespace

TEST(TwoNodeLinkingTest, TwoComputersLinkWatchEachOtherAndReconnect)
{
    auto logs = std::make_shared<test::RecordingLoggerFactory>();
    auto clock = std::make_shared<test::ManualClock>();
    Node a(kMacA, QStringLiteral("Node A"), clock, logs);
    Node b(kMacB, QStringLiteral("Node B"), clock, logs);
    a.start();
    b.start();
    const auto explain = [&] { return logs->allMessages().join(u'\n').toStdString(); };

    // 1. Both enter Discovery Mode and see each other's code; A asks, B holds A's request and accepts.
    test::runTask(a.discovery->startDiscovery(std::nullopt));
    test::runTask(b.discovery->startDiscovery(std::nullopt));
    a.discovers(b);
    b.discovers(a);
    const QString codeOfA = a.discovery->currentSecurityCode()->code();
    EXPECT_EQ(b.discovery->discoveredMacs().first().securityCode(), codeOfA);
    test::runTask(a.discovery->sendConnectionRequest(kMacB));
    ASSERT_TRUE(test::waitUntil([&] { return !b.discovery->connectionRequests().isEmpty(); })) << explain();
    ASSERT_EQ(b.discovery->connectionRequests().size(), 1);
    const ConnectionRequest incoming = b.discovery->connectionRequests().first();
    EXPECT_EQ(incoming.otherMacId(), kMacA);
    EXPECT_EQ(incoming.direction(), ConnectionDirection::Incoming);
    EXPECT_TRUE(incoming.isPendingRequest());
    EXPECT_EQ(incoming.securityCode(), codeOfA);
    test::runTask(b.discovery->acceptConnectionRequest(kMacA));

    // 2. Each stores the other and leaves Discovery Mode.
    ASSERT_TRUE(test::waitUntil([&] {
        return a.stored(kMacB) && b.stored(kMacA) && a.discovery->state() == DiscoveryServiceState::Idle
            && b.discovery->state() == DiscoveryServiceState::Idle;
    })) << explain();
    EXPECT_EQ(a.stored(kMacB)->name(), QStringLiteral("Node B"));
    EXPECT_EQ(b.stored(kMacA)->name(), QStringLiteral("Node A"));
    const QDateTime linkedAt = clock->now();
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 3. After the next pass each shows the other connected, last seen then.
    clock->advance(30);
    ASSERT_TRUE(test::waitUntil([&] {
        return a.stateOf(kMacB) == ConnectionState::Connected && b.stateOf(kMacA) == ConnectionState::Connected
            && a.stored(kMacB)->lastSeenTimestamp() > linkedAt && b.stored(kMacA)->lastSeenTimestamp() > linkedAt;
    })) << explain();
    EXPECT_EQ(a.stored(kMacB)->lastSeenTimestamp(), linkedAt.addSecs(30));
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 4. With B's bridge stopped A's next ping reaches B unanswered and is missed after 1 s.
    b.bridge->stop();
    const int framesBefore = b.framesReceived;
    clock->advance(30);
    ASSERT_TRUE(test::waitUntil([&] { return b.framesReceived > framesBefore; }) && trafficEnded(a, b)) << explain();
    EXPECT_EQ(a.stateOf(kMacB), ConnectionState::Connected);
    clock->advance(1);
    EXPECT_EQ(a.stateOf(kMacB), ConnectionState::Disconnected);
    EXPECT_EQ(a.monitor->getConnectionStatus(kMacB)->consecutiveFailures(), 1);
    EXPECT_TRUE(logs->contains(LogLevel::Debug,
                               QStringLiteral("Scheduling reconnection for Mac "
                                              "D1000000-0000-4000-8000-00000000000B in 0.5 seconds. "
                                              "Attempt count: 1")));

    // 5. B listens again; the reconnection 0.5 s later is answered.
    b.bridge->start();
    clock->advance(0.5);
    EXPECT_EQ(a.stateOf(kMacB), ConnectionState::Connecting);
    ASSERT_TRUE(test::waitUntil([&] { return a.stateOf(kMacB) == ConnectionState::Connected; })) << explain();
    EXPECT_FALSE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("did not end its stream")));
}
