#include "support/LinkedNode.h"

#include "bluetooth/SystemPermissionChecker.h"
#include "foundation/JsonFields.h"
#include "foundation/PosixFileManager.h"
#include "mock/AuthorizedBluetoothProbe.h"
#include "mock/AuthorizedLocalNetworkProbe.h"
#include "mock/DebugContextDiscoveryTransport.h"
#include "mock/DebugFrameSender.h"
#include "mock/DebugMacIdentifierService.h"
#include "mock/MockFileIO.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/tcp/MultiplexFrameSender.h"
#include "support/RunTask.h"
#include "support/fakes/FakeNetworkPathSource.h"
#include "support/fakes/FakeServiceAdvertiser.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

#include <array>

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
    , transport(std::make_shared<MockTransport>())
    , permissions(std::make_shared<MockSystemPermissionChecker>())
{
    makeStores();
    permissions->simulateLocalNetworkStatus(SystemPermissionStatus::Authorized);
    permissions->simulateBluetoothStatus(SystemPermissionStatus::Authorized);
    scriptedBluetooth = table ? std::make_shared<FakeBluetoothDeviceManager>(std::move(table), name)
                              : std::make_shared<FakeBluetoothDeviceManager>();
    macIdentifier = identity;
    discoveryTransport = transport;
    permissionChecker = permissions;
    rawBluetooth = scriptedBluetooth;
    wire(std::make_shared<EphemeralFrameSender>(logs, clock, 5.0), std::nullopt);
}

LinkedNode::LinkedNode(const MockModeSetup &setup, std::shared_ptr<ManualClock> sharedClock,
                       std::shared_ptr<RecordingLoggerFactory> loggers)
    : logs(std::move(loggers))
    , clock(std::move(sharedClock))
    , contextPath(dir.filePath(QStringLiteral("debug/context.json")))
    , frameDataPath(dir.filePath(QStringLiteral("debug/frames.jsonl")))
{
    makeStores();
    setup.context.save(contextPath);
    const QString identityPath = DebugMacIdentifierService::identityFilePathBeside(contextPath);
    MockFileIO::writeInPlace(identityPath,
                             json::encodeDocument(QJsonObject{{QStringLiteral("id"), json::uuidToString(setup.id)}}));
    MockFileIO::writeInPlace(QFileInfo(identityPath).dir().filePath(DebugMacIdentifierService::localIdentityFileName),
                             json::encodeDocument(QJsonObject{
                                 {QStringLiteral("advertisedName"), setup.name},
                                 {QStringLiteral("installationId"), QUuid::createUuid().toString(QUuid::WithoutBraces)},
                             }));

    debugContext = std::make_shared<DebugContextKeeper>(contextPath, *logs, clock);
    macIdentifier = std::make_shared<DebugMacIdentifierService>(identityPath, *logs, std::nullopt, clock);
    discoveryTransport = std::make_shared<DebugContextDiscoveryTransport>(debugContext, *logs, clock);
    simulatedBluetooth = std::make_shared<DebugMockBluetoothDeviceManager>(debugContext, *logs, clock, 0.5);
    rawBluetooth = simulatedBluetooth;
    permissionChecker = std::make_shared<SystemPermissionChecker>(
        storage, *logs, clock,
        SystemPermissionChecker::Probes{AuthorizedLocalNetworkProbe::factory(), AuthorizedBluetoothProbe::factory(),
                                        [](const QString &, const QStringList &) { return false; }});
    const QList<FrameSenderPtr> senders{
        std::make_shared<DebugFrameSender>(*logs, frameDataPath,
                                           dir.filePath(QStringLiteral("debug/frames-config.json"))),
        std::make_shared<EphemeralFrameSender>(logs, clock, 5.0)};
    wire(std::make_shared<MultiplexFrameSender>(senders, logs), debugContext->getContext().listenerPort);
}

void LinkedNode::makeStores()
{
    // The file store's own pauses (retries only) must never wait on the shared clock.
    auto storeClock = std::make_shared<ManualClock>();
    storeClock->setAutoAdvance(true);
    storage = StorageManager::create(std::make_shared<PosixFileManager>(), storeClock, dir.path(), *logs);
    linkedComputers = std::make_shared<ConnectedMacStorageService>(storage, *logs, clock);
    devices = std::make_shared<DeviceStorageService>(storage, *logs, clock);
}

void LinkedNode::wire(FrameSenderPtr frameSender, std::optional<quint16> listenerPort)
{
    hub = std::make_shared<PeerCommunicationHub>(logs);
    listener = std::make_shared<EphemeralFrameListener>(logs, clock, std::make_shared<FakeServiceAdvertiser>(), nullptr,
                                                        QHostAddress::LocalHost);
    listener->setFixedLoopbackPort(listenerPort);
    directory = std::make_shared<PeerDirectoryService>(*discoveryTransport, linkedComputers, *logs);
    sender = std::make_shared<CountingFrameSender>(std::move(frameSender));
    bridge = std::make_unique<NetworkBridge>(hub, sender, listener, directory, macIdentifier,
                                             NetworkBridge::Configuration{}, logs, clock);
    bluetooth = std::make_shared<ReactiveBluetoothDeviceManager>(
        std::make_shared<PermissionGuardedBluetoothDeviceManager>(rawBluetooth, permissionChecker, *logs), *logs);
    ownership = std::make_shared<DeviceOwnershipService>(hub, devices, bluetooth, *logs);
    monitor = std::make_shared<ConnectionMonitorService>(linkedComputers, hub, directory, ownership, macIdentifier,
                                                         *logs, ConnectionMonitorConfiguration::defaultConfiguration(),
                                                         clock, std::make_shared<FakeNetworkPathSource>());
    discovery = std::make_shared<MacDiscoveryService>(discoveryTransport, listener, macIdentifier, hub, linkedComputers,
                                                      monitor, directory, permissionChecker, metrics, *logs, clock);
    coordinator
        = std::make_shared<ControlCoordinator>(hub, ownership, bluetooth, permissionChecker, linkedComputers, devices,
                                               macIdentifier, monitor, directory, metrics, *logs, clock);
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
    const ConnectedMac mac
        = linkedComputers->addConnectedMac(ConnectedMacInput{other.id(),
                                                             other.macIdentifier->advertisedName().value_or(QString()),
                                                             other.macIdentifier->installationId(),
                                                             {}});
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

PingLog::PingLog(const LinkedNode &node)
{
    QObject::connect(
        node.hub.get(), &PeerCommunicationHub::receivedPingRequests, &m_context,
        [this](const PingRequestReceivedEvent &event) { note(event.senderMacId, event.deviceMacAddresses); });
    QObject::connect(
        node.hub.get(), &PeerCommunicationHub::receivedPingResponses, &m_context,
        [this](const PingResponseReceivedEvent &event) { note(event.senderMacId, event.deviceMacAddresses); });
    QObject::connect(node.coordinator.get(), &ControlCoordinator::controlTransferProgressChanged, &m_context,
                     [this](const ControlTransferProgress &record) {
                         if (std::holds_alternative<ProgressStatus::Success>(record.status)) {
                             listedAtSuccess.insert(record.transactionId, listed);
                         }
                     });
}

void PingLog::note(const QUuid &sender, const QStringList &addresses)
{
    for (const QString &address : addresses) {
        listed[sender].insert(address);
    }
}

bool trafficQuiet(const LinkedNode &a, const LinkedNode &b, int framesFedToA)
{
    return a.sender->started == a.sender->finished && b.sender->started == b.sender->finished
        && a.sender->delivered == b.framesReceived && b.sender->delivered == a.framesReceived - framesFedToA
        && a.listener->activeConnectionCount() == 0 && b.listener->activeConnectionCount() == 0;
}

bool trafficEnded(const LinkedNode &a, const LinkedNode &b, int framesFedToA)
{
    const auto quiet = [&] { return trafficQuiet(a, b, framesFedToA); };
    // Quiet at one glance is not enough: a frame just read may still be queued in the hub as an
    // event, and the answer to it queued again as a command on its way to the sender. Each look
    // below follows a round of the event loop; four quiet looks in a row with nothing sent or read
    // meanwhile outlast both hops.
    constexpr int quietLooksNeeded = 4;
    std::array<int, 2> lastCounts{-1, -1};
    int quietLooks = 0;
    return waitUntil([&] {
        const std::array<int, 2> counts{a.sender->started + b.sender->started, a.framesReceived + b.framesReceived};
        quietLooks = quiet() && (quietLooks == 0 || counts == lastCounts) ? quietLooks + 1 : 0;
        lastCounts = counts;
        return quietLooks >= quietLooksNeeded;
    });
}

bool trafficSettled(const LinkedNode &a, const LinkedNode &b, int framesFedToA)
{
    for (int round = 0; round < 100; ++round) {
        const int started = a.sender->started + b.sender->started;
        for (int pass = 0; pass < 20; ++pass) {
            QCoreApplication::processEvents();
        }
        if (!trafficEnded(a, b, framesFedToA)) {
            return false;
        }
        if (a.sender->started + b.sender->started == started) {
            return true;
        }
    }
    return false;
}

bool startLinked(LinkedNode &a, LinkedNode &b)
{
    a.start();
    b.start();
    a.discovers(b);
    b.discovers(a);
    a.linkTo(b);
    b.linkTo(a);
    // Linking pings each way. Until those pings are handed to the senders the traffic looks ended
    // already, so wait for both answers first.
    return waitUntil([&] {
               return a.stateOf(b.id()) == ConnectionState::Connected
                   && b.stateOf(a.id()) == ConnectionState::Connected;
           })
        && trafficEnded(a, b);
}

} // namespace verandel::test
