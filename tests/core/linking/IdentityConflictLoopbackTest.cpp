// A linked computer whose record a second service instance copies, over the real listener and bridge on
// loopback: while both claim its id, frames from either address are refused; once one instance is left,
// its address is trusted again and the other's is not.
#include "foundation/LogText.h"
#include "linking/PeerDirectoryService.h"
#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakeServiceAdvertiser.h"
#include "support/fakes/MockTransport.h"
#include "support/fakes/RecordingFrameSender.h"
#include "support/fakes/RecordingLoggerFactory.h"
#include "support/fakes/TestableMacStorageService.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kHere = QUuid::fromString(QStringLiteral("a7000000-0000-4000-8000-000000000001"));
const QUuid kDesk = QUuid::fromString(QStringLiteral("a7000000-0000-4000-8000-000000000002"));
const QHostAddress kDeskAddress(QStringLiteral("127.0.0.2"));
const QHostAddress kCopyAddress(QStringLiteral("127.0.0.3"));

DiscoverableMac deskClaimAt(const QString &serviceName, const QHostAddress &address)
{
    return DiscoverableMac(
        kDesk, QStringLiteral("Desk"), QStringLiteral("1.0.0"),
        PeerEndpoint::serviceInstance(serviceName, QStringLiteral("_verandel._tcp"), QStringLiteral("local"))
            .withResolution({address}, 5001),
        QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt, QDateTime::currentDateTimeUtc());
}

struct ConflictLoopbackTest : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    test::MockTransport transport;
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<EphemeralFrameListener> listener = std::make_shared<EphemeralFrameListener>(
        logs, clock, std::make_shared<test::FakeServiceAdvertiser>(), nullptr, QHostAddress::LocalHost);
    std::shared_ptr<test::TestableMacStorageService> storage = std::make_shared<test::TestableMacStorageService>();
    std::shared_ptr<PeerDirectoryService> directory;
    std::unique_ptr<NetworkBridge> bridge;
    int framesRead = 0;
    QStringList acted;

    void SetUp() override
    {
        storage->addTestData({ConnectedMac(kDesk, QStringLiteral("Desk"), QString(), QDateTime::currentDateTimeUtc(),
                                           QDateTime::currentDateTimeUtc(), {})});
        directory = std::make_shared<PeerDirectoryService>(transport, storage, *logs);
        bridge = std::make_unique<NetworkBridge>(hub, std::make_shared<test::RecordingFrameSender>(), listener,
                                                 directory, std::make_shared<test::FakeMacIdentifier>(kHere),
                                                 NetworkBridge::Configuration{}, logs, clock);
        QObject::connect(listener.get(), &FrameListenerProtocol::receivedFrames, listener.get(),
                         [this] { ++framesRead; });
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedTransferRequests, hub.get(),
                         [this](const TransferRequestReceivedEvent &) { acted.append(QStringLiteral("transfer")); });
        QObject::connect(
            hub.get(), &PeerCommunicationHub::receivedDevicesReadyEvents, hub.get(),
            [this](const DevicesReadyForPairingReceivedEvent &) { acted.append(QStringLiteral("devices ready")); });
        listener->start(test::FakeMacIdentifier(kHere).makeDiscoveredMac(std::nullopt));
        bridge->start();
    }

    // Sends one frame in the desk's name from the address and answers what the hub handed on.
    template <typename Command>
    QStringList sendFrom(const QHostAddress &source, const Command &command)
    {
        const int before = framesRead;
        const QByteArray json
            = EventEnvelopeCodec::encodeToData(
                  EventEnvelopeCodec::createEnvelope(kDesk, command, std::nullopt, QDateTime::currentDateTimeUtc()))
                  .value();
        QTcpSocket socket;
        EXPECT_TRUE(socket.bind(source));
        socket.connectToHost(QHostAddress::LocalHost, listener->port());
        EXPECT_TRUE(socket.waitForConnected(5000));
        socket.write(EphemeralFrameSender::frame(json));
        socket.disconnectFromHost();
        EXPECT_TRUE(test::waitUntil([&] { return framesRead == before + 1; })) << "the listener read the frame";
        // The hub hands events on from the event loop.
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::processEvents();
        }
        return std::exchange(acted, {});
    }

    QStringList transferFrom(const QHostAddress &source)
    {
        return sendFrom(source, SendTransferCommand(kHere, QUuid::createUuid().toString(QUuid::WithoutBraces)));
    }
    QStringList devicesReadyFrom(const QHostAddress &source)
    {
        return sendFrom(source,
                        DevicesReadyForPairingCommand(
                            kHere, QUuid::createUuid().toString(QUuid::WithoutBraces),
                            {TransferDeviceDescriptor(QStringLiteral("aa:bb:cc:dd:ee:ff"),
                                                      QStringLiteral("45749f61-4cd6-4fbc-8d7e-c71fb43d55d4"))}));
    }
};

} // namespace

TEST_F(ConflictLoopbackTest, WhileTwoInstancesClaimALinkedComputerNeitherAddressIsHeard)
{
    transport.simulateDiscoveredMac(deskClaimAt(QStringLiteral("Desk"), kDeskAddress));
    EXPECT_EQ(transferFrom(kDeskAddress), QStringList{QStringLiteral("transfer")}) << "one claim: it is heard";
    EXPECT_TRUE(transferFrom(kCopyAddress).isEmpty()) << "not where it was discovered";

    transport.simulateDiscoveredMac(deskClaimAt(QStringLiteral("Desk (copy)"), kCopyAddress));
    for (const QHostAddress &source : {kDeskAddress, kCopyAddress}) {
        SCOPED_TRACE(source.toString().toStdString());
        EXPECT_TRUE(transferFrom(source).isEmpty());
        EXPECT_TRUE(devicesReadyFrom(source).isEmpty());
        EXPECT_FALSE(NetworkBridge::isLinkedAddress(*directory, source)) << "no trusted address for the listener";
    }
    EXPECT_EQ(logs->messages(LogLevel::Warning)
                  .filter(QStringLiteral("Rejecting frame from non-eligible peer: %1").arg(idText(kDesk)))
                  .size(),
              4);
    EXPECT_TRUE(directory->identityConflicts().contains(kDesk));

    // The copy is withdrawn: the desk is heard at its own address again, and only there.
    transport.simulateEndpointDeleted(deskClaimAt(QStringLiteral("Desk (copy)"), kCopyAddress).endpoint().value());
    EXPECT_EQ(devicesReadyFrom(kDeskAddress), QStringList{QStringLiteral("devices ready")});
    EXPECT_TRUE(transferFrom(kCopyAddress).isEmpty());
    EXPECT_FALSE(NetworkBridge::isLinkedAddress(*directory, kCopyAddress));
}
