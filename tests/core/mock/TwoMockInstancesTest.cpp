// Two mock-mode instances in one process, wired as the program wires mock mode, find each other
// through their debug context files on 127.0.0.1, link, ping each other and move a simulated keyboard.
#include "foundation/JsonFields.h"
#include "support/LinkedNode.h"
#include "support/LoopbackPorts.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TestFiles.h"
#include "support/TransferPrinters.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

namespace {

const QUuid kMacA = QUuid::fromString(QStringLiteral("e1000000-0000-4000-8000-00000000000a"));
const QUuid kMacB = QUuid::fromString(QStringLiteral("e1000000-0000-4000-8000-00000000000b"));
// Written as a developer writes it; the Bluetooth layer speaks the canonical form.
const QString kKeyboardAsWritten = QStringLiteral("AA:BB:CC:DD:EE:FF");
const QString kKeyboard = QStringLiteral("aa:bb:cc:dd:ee:ff");
const QString kMouse = QStringLiteral("11:22:33:44:55:66");

DebugBluetoothDevice keyboard(bool paired)
{
    return DebugBluetoothDevice{QStringLiteral("45749F61-4CD6-4FBC-8D7E-C71FB43D55D4"),
                                kKeyboardAsWritten,
                                QStringLiteral("Tovin's Magic Keyboard"),
                                paired,
                                paired,
                                DeviceDetectionAttributes{1452, 620, 1344, {}},
                                std::nullopt};
}

// The context of one instance: the other instance as its one peer, and its own listener port.
DebugContext contextOf(quint16 ownPort, const QUuid &peer, const QString &peerName, quint16 peerPort,
                       QList<DebugBluetoothDevice> devices)
{
    DebugContext context = DebugContext::createDefault();
    context.discoverableMacs = {DebugDiscoverableMac{json::uuidToString(peer), peerPort, peerName,
                                                     QStringLiteral("1.0.0"), QStringLiteral("482917")}};
    context.localBluetoothDevices = std::move(devices);
    context.listenerPort = ownPort;
    return context;
}

std::optional<DebugBluetoothDevice> keyboardIn(const QString &contextPath)
{
    for (const DebugBluetoothDevice &device : DebugContext::load(contextPath).localBluetoothDevices) {
        if (device.address == kKeyboardAsWritten) {
            return device;
        }
    }
    return std::nullopt;
}

// The envelope types of the frame log, one per line, each line whole JSON.
QStringList loggedTypes(const QString &dataPath)
{
    QStringList types;
    const QList<QByteArray> lines = readFile(dataPath).split('\n');
    for (const QByteArray &line : lines) {
        if (!line.isEmpty()) {
            types.append(QJsonDocument::fromJson(line).object().value(QStringLiteral("type")).toString());
        }
    }
    return types;
}

QStringList storedAddresses(const LinkedNode &node)
{
    QStringList addresses;
    const QJsonArray stored = QJsonDocument::fromJson(readFile(node.storage->devicesStorageURL())).array();
    for (const QJsonValue &device : stored) {
        addresses.append(device.toObject().value(QStringLiteral("macAddress")).toString());
    }
    return addresses;
}

// The pauses of simulated pairing and unpairing asked for so far.
qsizetype simulatedOperations(const ManualClock &clock)
{
    return clock.requestedSleeps().count(0.5);
}

} // namespace

TEST(TwoMockInstancesTest, TwoInstancesLinkPingAndMoveTheSimulatedKeyboard)
{
    auto logs = std::make_shared<RecordingLoggerFactory>();
    auto clock = std::make_shared<ManualClock>();
    const auto explain = [&] { return logs->allMessages().join(u'\n').toStdString(); };
    const quint16 portA = freeLoopbackPort();
    quint16 portB = freeLoopbackPort();
    while (portB == portA) {
        portB = freeLoopbackPort();
    }
    ASSERT_NE(portA, 0);
    ASSERT_NE(portB, 0);
    const DebugBluetoothDevice mouse{QStringLiteral("217F216B-C8DB-412D-BD8B-4B5378C39F0E"),
                                     kMouse,
                                     QStringLiteral("An Unshared Mouse"),
                                     true,
                                     true,
                                     DeviceDetectionAttributes{1452, 617, 329920, {}},
                                     std::nullopt};
    LinkedNode a(MockModeSetup{kMacA, QStringLiteral("Node A"),
                               contextOf(portA, kMacB, QStringLiteral("Node B"), portB, {keyboard(false)})},
                 clock, logs);
    LinkedNode b(MockModeSetup{kMacB, QStringLiteral("Node B"),
                               contextOf(portB, kMacA, QStringLiteral("Node A"), portA, {keyboard(true), mouse})},
                 clock, logs);
    EXPECT_EQ(a.id(), kMacA) << "the identity written beforehand is the one used";
    EXPECT_EQ(b.id(), kMacB);

    // B shares its keyboard, as its Devices tab stores it from the paired list; the mouse stays unshared.
    const QList<Device> pairedOnB = runTask(b.bluetooth->getPairedDevices());
    ASSERT_EQ(pairedOnB.size(), 2);
    ASSERT_EQ(pairedOnB.first().macAddress(), kKeyboard);
    b.devices->saveOrUpdateDevice(pairedOnB.first());

    // 1. Each listens on its context's port and finds the other at the port its context gives.
    a.start();
    b.start();
    EXPECT_EQ(a.listener->port(), portA);
    EXPECT_EQ(b.listener->port(), portB);
    runTask(a.discovery->startDiscovery(std::nullopt));
    runTask(b.discovery->startDiscovery(std::nullopt));
    ASSERT_EQ(a.discovery->discoveredMacs().size(), 1);
    EXPECT_EQ(a.discovery->discoveredMacs().first().endpoint(),
              PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), portB));

    // 2. A asks, B accepts; each stores the other and leaves Discovery Mode.
    runTask(a.discovery->sendConnectionRequest(kMacB));
    ASSERT_TRUE(waitUntil([&] { return !b.discovery->connectionRequests().isEmpty(); })) << explain();
    EXPECT_EQ(b.discovery->connectionRequests().first().otherMacId(), kMacA);
    runTask(b.discovery->acceptConnectionRequest(kMacA));
    ASSERT_TRUE(waitUntil([&] {
        return a.stored(kMacB) && b.stored(kMacA) && a.discovery->state() == DiscoveryServiceState::Idle
            && b.discovery->state() == DiscoveryServiceState::Idle;
    })) << explain();
    EXPECT_EQ(a.stored(kMacB)->name(), QStringLiteral("Node B"));
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 3. The next health check: each pings the other and sees it connected.
    clock->advance(30);
    ASSERT_TRUE(waitUntil([&] {
        return a.stateOf(kMacB) == ConnectionState::Connected && b.stateOf(kMacA) == ConnectionState::Connected;
    })) << explain();
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 4. A takes control of B's devices: B unpairs the keyboard, A pairs it, each after its pause; B
    // counts it handed over once A's ping lists it.
    const PingLog pingsAtB(b);
    const qsizetype operationsBefore = simulatedOperations(*clock);
    a.coordinator->takeControl(kMacB);
    ASSERT_TRUE(waitUntil([&] { return simulatedOperations(*clock) == operationsBefore + 1; }) && trafficEnded(a, b))
        << explain();
    clock->advance(0.5);
    ASSERT_TRUE(waitUntil([&] { return simulatedOperations(*clock) == operationsBefore + 2; }) && trafficEnded(a, b))
        << explain();
    clock->advance(0.5);
    ASSERT_TRUE(waitUntil([&] {
        return !a.progress.isEmpty() && a.statusesOf(a.progress.last().transactionId).endsWith(Status(Success{}))
            && b.statusesOf(a.progress.last().transactionId).endsWith(Status(Success{}));
    })) << explain();
    const QString transactionId = a.progress.last().transactionId;
    EXPECT_EQ(a.statusesOf(transactionId),
              (QList<Status>{OperationStarted{}, OutboundTransferRequestSent{}, PairingStarted{1},
                             PairResult{kKeyboard, true, {}}, OwnershipUpdated{1}, Success{}}));
    EXPECT_EQ(b.statusesOf(transactionId),
              (QList<Status>{InboundTransferRequestReceived{}, OperationStarted{}, UnpairingStarted{1},
                             UnpairResult{kKeyboard, true, {}}, DevicesReadySent{1}, Success{}}));
    EXPECT_EQ(pingsAtB.listedAtSuccess.value(transactionId).value(kMacA), QSet<QString>{kKeyboard});
    ASSERT_TRUE(trafficEnded(a, b)) << explain();

    // 5. The end state, in the files.
    const std::optional<DebugBluetoothDevice> onB = keyboardIn(b.contextPath);
    ASSERT_TRUE(onB);
    EXPECT_FALSE(onB->isPaired);
    const std::optional<DebugBluetoothDevice> onA = keyboardIn(a.contextPath);
    ASSERT_TRUE(onA);
    EXPECT_TRUE(onA->isPaired);
    EXPECT_TRUE(onA->isConnected);
    EXPECT_EQ(DebugContext::load(b.contextPath).localBluetoothDevices.at(1), mouse) << "the unshared mouse stays";
    EXPECT_EQ(DebugContext::load(a.contextPath).listenerPort, portA) << "write-backs keep the listener port";
    EXPECT_EQ(storedAddresses(a), QStringList{kKeyboard});
    EXPECT_EQ(a.devices->getDeviceByMacAddress(kKeyboard)->telemetryDeviceId(),
              QStringLiteral("45749f61-4cd6-4fbc-8d7e-c71fb43d55d4"))
        << "the telemetry id travels with the device";
    const QStringList sentByA = loggedTypes(a.frameDataPath);
    const QStringList sentByB = loggedTypes(b.frameDataPath);
    for (const QString &type : {QStringLiteral("connection_request"), QStringLiteral("ping_request"),
                                QStringLiteral("transfer_to_requester")}) {
        EXPECT_TRUE(sentByA.contains(type)) << type.toStdString() << " in " << sentByA.join(u' ').toStdString();
    }
    for (const QString &type : {QStringLiteral("connection_request_accepted"), QStringLiteral("ping_request"),
                                QStringLiteral("devices_ready_for_pairing")}) {
        EXPECT_TRUE(sentByB.contains(type)) << type.toStdString() << " in " << sentByB.join(u' ').toStdString();
    }
    EXPECT_EQ(a.sender->delivered, sentByA.size()) << "every envelope sent was logged first";
    EXPECT_EQ(b.sender->delivered, sentByB.size());

    // The forced pings carry the new owner to both.
    EXPECT_TRUE(waitUntil([&] {
        return a.ownership->ownerOf(kKeyboard) == kMacA && b.ownership->ownerOf(kKeyboard) == kMacA;
    })) << explain();
    const QList<Device> stillOnB = runTask(b.bluetooth->getPairedDevices());
    ASSERT_EQ(stillOnB.size(), 1);
    EXPECT_EQ(stillOnB.first().macAddress(), kMouse);
    EXPECT_TRUE(trafficEnded(a, b)) << explain();
}
