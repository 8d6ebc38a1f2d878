// Three mock-mode instances in one process: a holder of two shared devices, the desk it is linked to,
// and a third instance that copies the desk's id and publishes it at its own port, as a second DNS-SD
// instance would. The holder's debug context lists the desk's real record, then the copy. The copy asks
// for the devices in the desk's name; the holder must give nothing away, to either of them.
#include "foundation/JsonFields.h"
#include "foundation/LogText.h"
#include "support/LinkedNode.h"
#include "support/LoopbackPorts.h"
#include "support/QtPrinters.h"
#include "support/RunTask.h"
#include "support/TransferPrinters.h"

#include <gtest/gtest.h>

using namespace verandel;
using namespace verandel::test;
using namespace verandel::ProgressStatus;
using Status = ControlTransferProgressStatus;

namespace {

const QUuid kHolder = QUuid::fromString(QStringLiteral("e2000000-0000-4000-8000-00000000000a"));
const QUuid kDesk = QUuid::fromString(QStringLiteral("e2000000-0000-4000-8000-00000000000d"));

DebugBluetoothDevice heldDevice(const QString &telemetryId, const QString &address, const QString &name,
                                DeviceDetectionAttributes attributes)
{
    return DebugBluetoothDevice{telemetryId, address, name, true, true, attributes, std::nullopt};
}

DebugDiscoverableMac advertised(const QUuid &id, const QString &name, quint16 port)
{
    return DebugDiscoverableMac{json::uuidToString(id), port, name, QStringLiteral("1.0.0"), std::nullopt};
}

DebugContext contextListing(quint16 ownPort, QList<DebugDiscoverableMac> peers, QList<DebugBluetoothDevice> devices)
{
    DebugContext context = DebugContext::createDefault();
    context.discoverableMacs = std::move(peers);
    context.localBluetoothDevices = std::move(devices);
    context.listenerPort = ownPort;
    return context;
}

QList<quint16> distinctLoopbackPorts(int count)
{
    QList<quint16> ports;
    while (ports.size() < count) {
        const quint16 port = freeLoopbackPort();
        if (port != 0 && !ports.contains(port)) {
            ports.append(port);
        }
    }
    return ports;
}

bool pairedIn(const QString &contextPath, const QString &address)
{
    const QList<DebugBluetoothDevice> devices = DebugContext::load(contextPath).localBluetoothDevices;
    return std::any_of(devices.cbegin(), devices.cend(), [&](const DebugBluetoothDevice &device) {
        return device.address.compare(address, Qt::CaseInsensitive) == 0 && device.isPaired;
    });
}

} // namespace

TEST(ForgedRecordMockTest, ACopyOfALinkedComputersRecordGetsNoDevicesAndPausesTheRealOne)
{
    auto logs = std::make_shared<RecordingLoggerFactory>();
    auto clock = std::make_shared<ManualClock>();
    const auto explain = [&] { return logs->allMessages().join(u'\n').toStdString(); };
    const QList<quint16> ports = distinctLoopbackPorts(3);
    const quint16 holderPort = ports.at(0);
    const quint16 deskPort = ports.at(1);
    const quint16 copyPort = ports.at(2);
    const QString keyboardAddress = QStringLiteral("aa:bb:cc:dd:ee:ff");
    const QString trackpadAddress = QStringLiteral("11:22:33:44:55:66");

    LinkedNode holder(
        MockModeSetup{
            kHolder, QStringLiteral("Holder"),
            contextListing(holderPort,
                           {advertised(kDesk, QStringLiteral("Desk"), deskPort),
                            advertised(kDesk, QStringLiteral("Desk"), copyPort)},
                           {heldDevice(QStringLiteral("45749F61-4CD6-4FBC-8D7E-C71FB43D55D4"), keyboardAddress,
                                       QStringLiteral("Magic Keyboard"), {1452, 620, 1344, {}}),
                            heldDevice(QStringLiteral("217F216B-C8DB-412D-BD8B-4B5378C39F0E"), trackpadAddress,
                                       QStringLiteral("Magic Trackpad"), {1452, 613, 9620, {}})})},
        clock, logs);
    const QList<DebugDiscoverableMac> seesHolder{advertised(kHolder, QStringLiteral("Holder"), holderPort)};
    LinkedNode desk(MockModeSetup{kDesk, QStringLiteral("Desk"), contextListing(deskPort, seesHolder, {})}, clock,
                    logs);
    LinkedNode copy(MockModeSetup{kDesk, QStringLiteral("Desk"), contextListing(copyPort, seesHolder, {})}, clock,
                    logs);

    // The holder shares both devices.
    for (const Device &device : runTask(holder.bluetooth->getPairedDevices())) {
        holder.devices->saveOrUpdateDevice(device);
    }
    ASSERT_EQ(holder.devices->listDevices().size(), 2);

    holder.start();
    desk.start();
    copy.start();
    holder.linkTo(desk);
    desk.linkTo(holder);
    copy.linkTo(holder);
    ASSERT_TRUE(holder.directory->identityConflicts().contains(kDesk)) << explain();
    EXPECT_FALSE(holder.directory->isEligible(kDesk));
    EXPECT_TRUE(logs->containsSubstring(
        LogLevel::Warning,
        QStringLiteral("More than one computer claims to be Mac %1, at 127.0.0.1:%2 and at 127.0.0.1:%3")
            .arg(idText(kDesk), QString::number(deskPort), QString::number(copyPort))))
        << explain();

    // The copy asks for the devices in the desk's name; the desk's own pings go unheard too.
    copy.coordinator->takeControl(kHolder);
    const QString refusedRequest
        = QStringLiteral("Rejecting frame from non-eligible peer: %1, type: transfer_to_requester").arg(idText(kDesk));
    ASSERT_TRUE(waitUntil([&] { return logs->contains(LogLevel::Warning, refusedRequest); })) << explain();
    clock->advance(30);
    const QString refusedPing
        = QStringLiteral("Rejecting frame from non-eligible peer: %1, type: ping_request").arg(idText(kDesk));
    ASSERT_TRUE(waitUntil([&] { return logs->contains(LogLevel::Warning, refusedPing); })) << explain();

    // Nor does the holder's own user get to send them to whichever of the two it is.
    holder.coordinator->sendControl(kDesk);
    ASSERT_TRUE(waitUntil([&] { return !holder.progress.isEmpty(); })) << explain();
    ASSERT_EQ(holder.progress.size(), 1) << "nothing inbound ever started: " << explain();
    EXPECT_EQ(holder.progress.first().status, Status(Blocked{ControlTransferBlockedReason::PeerUnavailable}));
    EXPECT_EQ(holder.stateOf(kDesk), ConnectionState::Disconnected);

    // Both devices are still paired on the holder, and on neither of the others.
    EXPECT_TRUE(pairedIn(holder.contextPath, keyboardAddress));
    EXPECT_TRUE(pairedIn(holder.contextPath, trackpadAddress));
    EXPECT_EQ(runTask(holder.bluetooth->getPairedDevices()).size(), 2);
    EXPECT_TRUE(runTask(desk.bluetooth->getPairedDevices()).isEmpty());
    EXPECT_TRUE(runTask(copy.bluetooth->getPairedDevices()).isEmpty());
}
