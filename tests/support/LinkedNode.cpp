#include "support/LinkedNode.h"

#include "foundation/PosixFileManager.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "support/RunTask.h"
#include "support/fakes/FakeNetworkPathSource.h"
#include "support/fakes/FakeServiceAdvertiser.h"

namespace verandel::test {

QCoro::Task<bool> CountingFrameSender::send(RawEventEnvelope envelope, DiscoverableMac recipient)
{
    ++started;
    const FrameSenderPtr inner = m_inner;
    const bool sent = co_await inner->send(std::move(envelope), std::move(recipient));
    ++finished;
    delivered += sent ? 1 : 0;
    co_return sent;
}

LinkedNode::LinkedNode(QUuid id, const QString &name, std::shared_ptr<ManualClock> sharedClock,
                       std::shared_ptr<RecordingLoggerFactory> loggers, std::shared_ptr<SharedDeviceTable> table)
    : logs(std::move(loggers))
    , clock(std::move(sharedClock))
    , identity(std::make_shared<FakeMacIdentifier>(id, name))
{
    // The file store's own pauses (retries only) must never wait on the shared clock.
    auto storeClock = std::make_shared<ManualClock>();
    storeClock->setAutoAdvance(true);
    storage = StorageManager::create(std::make_shared<PosixFileManager>(), storeClock, dir.path(), *logs);
    linkedComputers = std::make_shared<ConnectedMacStorageService>(storage, *logs, clock);
    devices = std::make_shared<DeviceStorageService>(storage, *logs, clock);
    hub = std::make_shared<PeerCommunicationHub>(logs);
    listener = std::make_shared<EphemeralFrameListener>(logs, clock, std::make_shared<FakeServiceAdvertiser>(), nullptr,
                                                        QHostAddress::LocalHost);
    directory = std::make_shared<PeerDirectoryService>(*transport, linkedComputers, *logs);
    sender = std::make_shared<CountingFrameSender>(std::make_shared<EphemeralFrameSender>(logs, clock, 5.0));
    bridge = std::make_unique<NetworkBridge>(hub, sender, listener, directory, identity, NetworkBridge::Configuration{},
                                             logs, clock);
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
    permissions->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
    scriptedBluetooth = table ? std::make_shared<FakeBluetoothDeviceManager>(std::move(table), name)
                              : std::make_shared<FakeBluetoothDeviceManager>();
    bluetooth = std::make_shared<ReactiveBluetoothDeviceManager>(
        std::make_shared<PermissionGuardedBluetoothDeviceManager>(scriptedBluetooth, permissions, *logs), *logs);
    ownership = std::make_shared<DeviceOwnershipService>(hub, devices, bluetooth, *logs);
    monitor = std::make_shared<ConnectionMonitorService>(linkedComputers, hub, directory, ownership, identity, *logs,
                                                         ConnectionMonitorConfiguration::defaultConfiguration(), clock,
                                                         std::make_shared<FakeNetworkPathSource>());
    discovery = std::make_shared<MacDiscoveryService>(transport, listener, identity, hub, linkedComputers, monitor,
                                                      directory, permissions, metrics, *logs, clock);
    coordinator = std::make_shared<ControlCoordinator>(hub, ownership, bluetooth, permissions, linkedComputers, devices,
                                                       identity, monitor, directory, metrics, *logs, clock);
    QObject::connect(listener.get(), &FrameListenerProtocol::receivedFrames, listener.get(),
                     [this] { ++framesReceived; });
    QObject::connect(coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, coordinator.get(),
                     [this](const ControlTransferProgress &record) { progress.append(record); });
}

void LinkedNode::start()
{
    bridge->start();
    monitor->startMonitoring();
    runTask(discovery->startAdvertising());
}

void LinkedNode::discovers(const LinkedNode &other)
{
    const std::optional<SecurityCode> code = other.discovery->currentSecurityCode();
    transport->simulateDiscoveredMac(
        other.identity->makeDiscoveredMac(code ? std::optional<QString>(code->code()) : std::nullopt)
            .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), other.listener->port())));
}

void LinkedNode::linkTo(const LinkedNode &other)
{
    const ConnectedMac mac = linkedComputers->addConnectedMac(
        ConnectedMacInput{other.id(), other.identity->name, other.identity->installationId(), {}});
    directory->updateConnectedMacs(linkedComputers->listConnectedMacs());
    monitor->addMacToMonitoring(mac);
}

std::optional<ConnectedMac> LinkedNode::stored(const QUuid &macId) const
{
    return linkedComputers->getConnectedMac(macId);
}

ConnectionState LinkedNode::stateOf(const QUuid &macId) const
{
    const MacConnectionStatusPtr status = monitor->getConnectionStatus(macId);
    return status ? status->connectionState() : ConnectionState::Error;
}

QList<ControlTransferProgress> LinkedNode::progressOf(const QString &transactionId) const
{
    QList<ControlTransferProgress> records;
    for (const ControlTransferProgress &record : progress) {
        if (record.transactionId == transactionId) {
            records.append(record);
        }
    }
    return records;
}

QList<ControlTransferProgressStatus> LinkedNode::statusesOf(const QString &transactionId) const
{
    QList<ControlTransferProgressStatus> statuses;
    for (const ControlTransferProgress &record : progressOf(transactionId)) {
        statuses.append(record.status);
    }
    return statuses;
}

bool trafficEnded(const LinkedNode &a, const LinkedNode &b)
{
    return waitUntil([&] {
        return a.sender->started == a.sender->finished && b.sender->started == b.sender->finished
            && a.sender->delivered == b.framesReceived && b.sender->delivered == a.framesReceived
            && a.listener->activeConnectionCount() == 0 && b.listener->activeConnectionCount() == 0;
    });
}

bool startLinked(LinkedNode &a, LinkedNode &b)
{
    a.start();
    b.start();
    a.discovers(b);
    b.discovers(a);
    a.linkTo(b);
    b.linkTo(a);
    return trafficEnded(a, b);
}

} // namespace verandel::test
