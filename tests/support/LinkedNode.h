#pragma once

#include "bluetooth/PermissionGuardedBluetoothDeviceManager.h"
#include "bluetooth/ReactiveBluetoothDeviceManager.h"
#include "linking/ConnectionMonitorService.h"
#include "linking/MacDiscoveryService.h"
#include "linking/PeerDirectoryService.h"
#include "mock/DebugContextKeeper.h"
#include "mock/DebugMockBluetoothDeviceManager.h"
#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "records/ConnectedMacStorageService.h"
#include "records/DeviceStorageService.h"
#include "support/ManualClock.h"
#include "support/fakes/FakeBluetoothDeviceManager.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/MockSystemPermissionChecker.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/RecordingMetricsPublisher.h"
#include "transfer/ControlCoordinator.h"
#include "transfer/DeviceOwnershipService.h"

#include <QTemporaryDir>

namespace verandel::test {

// The real frame sender, counting what it was given and what it delivered, so that a test can wait
// for the loopback traffic to end before it moves virtual time.
class CountingFrameSender final : public FrameSenderProtocol
{
public:
    explicit CountingFrameSender(FrameSenderPtr inner)
        : m_inner(std::move(inner))
    { }

    QCoro::Task<bool> send(RawEventEnvelope envelope, DiscoverableMac recipient) override;

    int started = 0;
    int finished = 0;
    int delivered = 0;

private:
    FrameSenderPtr m_inner;
};

// What a mock-mode computer starts from: its identity, written into the identity files before the
// identity service reads them, and its debug context file.
struct MockModeSetup
{
    QUuid id;
    QString name;
    DebugContext context;
};

// One computer's whole graph over real loopback TCP: stores in a temporary folder, the real hub,
// bridge, sender and listener, the directory, the monitor, the discovery service, the ownership map
// and the control coordinator; time is the shared virtual clock. Bluetooth runs under the real
// permission guard and status cache.
//
// Scripted: discovery is a scripted double; Bluetooth is a scripted manager (on the shared device
// table, when given), with Bluetooth and Local Network permission granted by a scripted checker.
//
// Mock mode, as the program runs it: one debug context file in the folder's "debug" folder drives
// discovery and simulated Bluetooth (0.5 s per pair or unpair, on the virtual clock); the debug
// identity lives beside it; every envelope goes to the debug frame log, then to the network; the
// listener takes the context's "listenerPort"; the real permission checker runs on the probes that
// answer authorized.
struct LinkedNode
{
    LinkedNode(QUuid id, const QString &name, std::shared_ptr<ManualClock> clock,
               std::shared_ptr<RecordingLoggerFactory> logs, std::shared_ptr<SharedDeviceTable> devices = nullptr);
    LinkedNode(const MockModeSetup &setup, std::shared_ptr<ManualClock> clock,
               std::shared_ptr<RecordingLoggerFactory> logs);
    LinkedNode(const LinkedNode &) = delete;
    LinkedNode &operator=(const LinkedNode &) = delete;

    QUuid id() const { return macIdentifier->currentMacId(); }

    // Starts the bridge, the monitor and advertising.
    void start();
    // What this computer's browsing reports of the other: its record at its loopback port (scripted).
    void discovers(const LinkedNode &other);
    // Stores the other computer as linked and hands it to the directory and the monitor, as a
    // finished linking handshake does.
    void linkTo(const LinkedNode &other);

    std::optional<ConnectedMac> stored(const QUuid &macId) const;
    ConnectionState stateOf(const QUuid &macId) const;
    // The progress records of this computer's coordinator for the transaction, in order.
    QList<ControlTransferProgress> progressOf(const QString &transactionId) const;
    // The statuses alone.
    QList<ControlTransferProgressStatus> statusesOf(const QString &transactionId) const;

    QTemporaryDir dir;
    std::shared_ptr<RecordingLoggerFactory> logs;
    std::shared_ptr<ManualClock> clock;
    StorageManagerPtr storage;
    // Scripted only.
    std::shared_ptr<FakeMacIdentifier> identity;
    std::shared_ptr<MockTransport> transport;
    std::shared_ptr<MockSystemPermissionChecker> permissions;
    std::shared_ptr<FakeBluetoothDeviceManager> scriptedBluetooth;
    // Mock mode only.
    QString contextPath;
    QString frameDataPath;
    std::shared_ptr<DebugContextKeeper> debugContext;
    std::shared_ptr<DebugMockBluetoothDeviceManager> simulatedBluetooth;
    // What the graph runs on, in either mode.
    std::shared_ptr<MacIdentifierServiceProtocol> macIdentifier;
    std::shared_ptr<DiscoveryProtocol> discoveryTransport;
    SystemPermissionCheckerPtr permissionChecker;
    BluetoothDeviceManagerPtr rawBluetooth;
    std::shared_ptr<BluetoothDeviceManagerProtocol> bluetooth;
    std::shared_ptr<ConnectedMacStorageService> linkedComputers;
    std::shared_ptr<DeviceStorageService> devices;
    std::shared_ptr<PeerCommunicationHub> hub;
    std::shared_ptr<EphemeralFrameListener> listener;
    std::shared_ptr<CountingFrameSender> sender;
    std::shared_ptr<PeerDirectoryService> directory;
    std::unique_ptr<NetworkBridge> bridge;
    std::shared_ptr<DeviceOwnershipService> ownership;
    std::shared_ptr<ConnectionMonitorService> monitor;
    std::shared_ptr<MacDiscoveryService> discovery;
    std::shared_ptr<RecordingMetricsPublisher> metrics = std::make_shared<RecordingMetricsPublisher>();
    std::shared_ptr<ControlCoordinator> coordinator;
    QList<ControlTransferProgress> progress;
    int framesReceived = 0;

private:
    void makeStores();
    // Builds the rest of the graph on the parts set so far.
    void wire(FrameSenderPtr frameSender, std::optional<quint16> listenerPort);
};

// The devices one computer's received pings have listed so far, by sender, and what they had listed
// when a transfer ended with success there.
class PingLog
{
public:
    explicit PingLog(const LinkedNode &node);

    QHash<QUuid, QSet<QString>> listed;
    QHash<QString, QHash<QUuid, QSet<QString>>> listedAtSuccess;

private:
    void note(const QUuid &sender, const QStringList &addresses);

    QObject m_context; // ends the subscriptions with the log
};

// At one glance: every frame handed to either sender has arrived and no connection is open.
// framesFedToA counts the frames a's listener took from elsewhere (a fuzz input handed to it), which
// neither sender delivered.
bool trafficQuiet(const LinkedNode &a, const LinkedNode &b, int framesFedToA = 0);

// Waits until the traffic is quiet and nothing more is on its way through a hub: a connection still
// open when virtual time jumps would run into its deadline, and a ping still unanswered then into its
// time-out.
bool trafficEnded(const LinkedNode &a, const LinkedNode &b, int framesFedToA = 0);

// trafficEnded, and nothing new starts once the queued work has run: right after virtual time moves,
// a ping still queued in a hub has not reached its sender, and the traffic looks ended before it begins.
bool trafficSettled(const LinkedNode &a, const LinkedNode &b, int framesFedToA = 0);

// Starts both, lets each discover the other and links them both ways, then waits until each has the
// other's answer to its first ping and the traffic has ended. False when that does not happen.
bool startLinked(LinkedNode &a, LinkedNode &b);

} // namespace verandel::test
