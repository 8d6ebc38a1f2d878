#include "peer/NetworkBridge.h"

#include "foundation/LogText.h"
#include "mock/TestCoordinator.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "support/ManualClock.h"
#include "support/RunTask.h"
#include "support/fakes/FakeFrameListener.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/RecordingFrameSender.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kLocal = QUuid::fromString(QStringLiteral("c0000000-0000-4000-8000-000000000001"));
const QUuid kPeer = QUuid::fromString(QStringLiteral("c0000000-0000-4000-8000-000000000002"));
const QUuid kStranger = QUuid::fromString(QStringLiteral("c0000000-0000-4000-8000-000000000003"));
const QDateTime kNow(QDate(2026, 2, 1), QTime(8, 0), Qt::UTC);
const QHostAddress kPeerAddress(QStringLiteral("127.0.0.2"));

DiscoverableMac recordOf(const QUuid &mac)
{
    return DiscoverableMac(mac, QStringLiteral("Peer"), QStringLiteral("1.0"),
                           PeerEndpoint::hostPort(kPeerAddress.toString(), 5000),
                           QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt, kNow);
}

ReceivedFrame frameOf(const QUuid &sender, const QString &type, const QByteArray &payload,
                      const QHostAddress &source = kPeerAddress, const QUuid &recipient = kLocal)
{
    return ReceivedFrame{RawEventEnvelope{QUuid::createUuid(), std::nullopt, sender, recipient, type, payload, kNow},
                         source};
}

struct BridgeFixture : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>(kNow);
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<test::RecordingFrameSender> sender = std::make_shared<test::RecordingFrameSender>();
    std::shared_ptr<test::FakeFrameListener> listener = std::make_shared<test::FakeFrameListener>();
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
    std::shared_ptr<test::FakeMacIdentifier> identity = std::make_shared<test::FakeMacIdentifier>(kLocal);
    std::shared_ptr<TestCoordinator> coordinator = std::make_shared<TestCoordinator>(clock);
    NetworkBridge bridge{hub,  sender, listener,   directory, identity, NetworkBridge::Configuration{10.0},
                         logs, clock,  coordinator};

    QStringList events;

    void SetUp() override
    {
        directory->discovered.insert(kPeer, recordOf(kPeer));
        directory->linked.insert(kPeer);
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedPingRequests, hub.get(),
                         [this](const PingRequestReceivedEvent &e) {
                             events.append(QStringLiteral("ping %1 [%2] %3")
                                               .arg(idText(e.senderMacId), e.deviceMacAddresses.join(u','),
                                                    e.advertisedName.value_or(QStringLiteral("-"))));
                         });
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedDevicesReadyEvents, hub.get(),
                         [this](const DevicesReadyForPairingReceivedEvent &e) {
                             events.append(
                                 QStringLiteral("ready %1 %2 [%3]")
                                     .arg(idText(e.senderMacId), e.transactionId, e.deviceMacAddresses().join(u',')));
                         });
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedConnectionRequests, hub.get(),
                         [this](const ConnectionRequestReceivedEvent &e) {
                             events.append(QStringLiteral("request %1 %2").arg(idText(e.senderMacId), e.securityCode));
                         });
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedConnectionAccepted, hub.get(),
                         [this](const ConnectionRequestAcceptedEvent &e) {
                             events.append(QStringLiteral("accepted %1").arg(idText(e.senderMacId)));
                         });
        QObject::connect(hub.get(), &PeerCommunicationHub::receivedConnectionRejected, hub.get(),
                         [this](const ConnectionRequestRejectedEvent &e) {
                             events.append(QStringLiteral("rejected %1").arg(idText(e.senderMacId)));
                         });
    }

    // Publishes the frame and lets the hub deliver what it made of it.
    QStringList receive(const ReceivedFrame &frame)
    {
        events.clear();
        listener->publish(frame);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return events;
    }

    bool sentCount(qsizetype count)
    {
        return test::waitUntil([&] { return sender->sent.size() == count; }, 2000);
    }
};

} // namespace

TEST_F(BridgeFixture, StartAndStopAreIdempotentAndARestartSendsOnce)
{
    bridge.stop();
    EXPECT_TRUE(logs->contains(LogLevel::Warning, QStringLiteral("NetworkBridge.stop() called but not running")));
    bridge.start();
    bridge.start();
    EXPECT_TRUE(logs->contains(LogLevel::Warning, QStringLiteral("NetworkBridge.start() called but already running")));
    EXPECT_TRUE(coordinator->hasSignal(QStringLiteral("subscriptionsReady")));

    bridge.stop();
    hub->send(SendPingCommand(kPeer, {}, std::nullopt));
    ASSERT_TRUE(
        test::waitUntil([&] { return logs->containsSubstring(LogLevel::Debug, QStringLiteral("PingRequest [")); }));
    EXPECT_TRUE(sender->sent.isEmpty());

    bridge.start();
    hub->send(SendPingCommand(kPeer, {}, std::nullopt));
    ASSERT_TRUE(sentCount(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(sender->sent.size(), 1);
}

TEST_F(BridgeFixture, OutboundEnvelopesCarryTheCurrentIdentity)
{
    bridge.start();
    hub->send(SendPingCommand(kPeer, {QStringLiteral("aa:bb:cc:dd:ee:ff")}, QStringLiteral("Desk")));
    ASSERT_TRUE(sentCount(1));
    identity->macId = kStranger;
    hub->send(SendPingCommand(kPeer, {QStringLiteral("aa:bb:cc:dd:ee:ff")}, QStringLiteral("Desk")));
    ASSERT_TRUE(sentCount(2));

    const RawEventEnvelope &first = sender->sent.at(0).envelope;
    EXPECT_EQ(first.senderMacId, kLocal);
    EXPECT_EQ(first.recipientMacId, kPeer);
    EXPECT_EQ(first.type, QStringLiteral("ping_request"));
    EXPECT_EQ(first.correlationId, std::nullopt);
    EXPECT_EQ(first.createdAt, kNow);
    EXPECT_EQ(EventEnvelopeCodec::decodePayload<SendPingCommand>(first).value(),
              SendPingCommand(kPeer, {QStringLiteral("aa:bb:cc:dd:ee:ff")}, QStringLiteral("Desk")));
    EXPECT_EQ(sender->sent.at(0).recipient, recordOf(kPeer));
    EXPECT_EQ(sender->sent.at(1).envelope.senderMacId, kStranger);
    EXPECT_NE(sender->sent.at(1).envelope.id, first.id);
}

TEST_F(BridgeFixture, DevicesReadyReportsWhetherTheFrameSenderDeliveredIt)
{
    directory->discovered.insert(kStranger, recordOf(kStranger));
    const auto devicesReady = [&](const QUuid &recipient) {
        return test::runTask(hub->send(DevicesReadyForPairingCommand(recipient, QStringLiteral("t"), {})));
    };
    EXPECT_FALSE(devicesReady(kPeer)) << "no bridge runs";

    bridge.start();
    EXPECT_TRUE(devicesReady(kPeer));
    // Discovered is enough, as for every other command.
    EXPECT_TRUE(devicesReady(kStranger));
    EXPECT_FALSE(devicesReady(QUuid::createUuid())) << "recipient not discovered";
    sender->answer = false;
    EXPECT_FALSE(devicesReady(kPeer)) << "send failed";
    EXPECT_EQ(sender->sent.size(), 3);
    EXPECT_TRUE(logs->contains(
        LogLevel::Warning, QStringLiteral("Failed to send devices ready for pairing to Mac %1").arg(idText(kPeer))));

    sender->answer = true;
    bridge.stop();
    EXPECT_FALSE(devicesReady(kPeer)) << "bridge stopped";
    EXPECT_EQ(sender->sent.size(), 3);
}

TEST_F(BridgeFixture, UnknownRecipientsAreDroppedWithAWarning)
{
    bridge.start();
    hub->send(AcceptConnectionRequestCommand(kStranger));
    ASSERT_TRUE(test::waitUntil([&] { return coordinator->hasSignal(QStringLiteral("acceptConnectionSent")); }));
    EXPECT_TRUE(sender->sent.isEmpty());
    EXPECT_EQ(
        logs->messages(LogLevel::Warning, QStringLiteral("NetworkBridge")),
        QStringList{QStringLiteral("Cannot send accept connection request: Mac %1 not found").arg(idText(kStranger))});
}

TEST_F(BridgeFixture, HandshakesPassFromAnyoneAndOtherFramesOnlyFromEligiblePeers)
{
    bridge.start();
    EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request"),
                              R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001","securityCode":"K7Q2ZX"})",
                              QHostAddress(QStringLiteral("127.0.0.9")))),
              QStringList{QStringLiteral("request %1 K7Q2ZX").arg(idText(kStranger))});
    EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request_accepted"),
                              R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})")),
              QStringList{QStringLiteral("accepted %1").arg(idText(kStranger))});
    EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request_rejected"),
                              R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})")),
              QStringList{QStringLiteral("rejected %1").arg(idText(kStranger))});
    EXPECT_EQ(directory->eligibilityQuestions.size(), 3);

    // Linked but no longer discovered is not eligible either.
    directory->linked.insert(kStranger);
    const QByteArray ping = R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})";
    EXPECT_TRUE(receive(frameOf(kStranger, QStringLiteral("ping_request"), ping)).isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Warning,
                               QStringLiteral("Rejecting frame from non-eligible peer: %1, type: "
                                              "ping_request")
                                   .arg(idText(kStranger))));
    EXPECT_TRUE(receive(frameOf(kStranger, QStringLiteral("made_up"), ping)).isEmpty());

    EXPECT_EQ(receive(frameOf(kPeer, QStringLiteral("ping_request"), ping)),
              QStringList{QStringLiteral("ping %1 [] -").arg(idText(kPeer))});
}

TEST_F(BridgeFixture, APingThatOvertakesItsSendersAcceptanceIsAnsweredOnceTheLinkIsMade)
{
    const QByteArray ping = R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})";
    const QByteArray accepted = R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})";
    const struct
    {
        const char *name;
        bool acceptanceLinks;
        double secondsBetween;
        bool answered;
    } cases[] = {
        {"TheAcceptanceLinksItsSender", true, 1.0, true},
        {"TheAcceptanceLinksNothing", false, 1.0, false},
        {"ThePingIsTooOld", true, 6.0, false},
    };
    bridge.start();
    bool acceptanceLinks = false;
    // As the discovery service does when the acceptance answers its request.
    QObject::connect(hub.get(), &PeerCommunicationHub::receivedConnectionAccepted, hub.get(),
                     [&](const ConnectionRequestAcceptedEvent &e) {
                         if (acceptanceLinks) {
                             directory->linked.insert(e.senderMacId);
                         }
                     });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        directory->linked.remove(kStranger);
        directory->discovered.insert(kStranger, recordOf(kStranger));
        acceptanceLinks = c.acceptanceLinks;
        EXPECT_TRUE(receive(frameOf(kStranger, QStringLiteral("ping_request"), ping)).isEmpty());
        clock->advance(c.secondsBetween);
        QStringList expected{QStringLiteral("accepted %1").arg(idText(kStranger))};
        if (c.answered) {
            expected.append(QStringLiteral("ping %1 [] -").arg(idText(kStranger)));
        }
        EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request_accepted"), accepted)), expected);
        // Held once only: a second acceptance brings nothing back.
        EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request_accepted"), accepted)),
                  QStringList{QStringLiteral("accepted %1").arg(idText(kStranger))});
    }
}

// This computer asked for the link: the ping that overtakes the answer is expected, and held without a
// warning; once the answer is in, a ping from a computer that is not linked is refused with one again.
TEST_F(BridgeFixture, APingFromAComputerAskedForALinkIsHeldWithoutAWarningUntilItAnswers)
{
    const QByteArray ping = R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})";
    const QByteArray answer = R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})";
    const QString rejection
        = QStringLiteral("Rejecting frame from non-eligible peer: %1, type: ping_request").arg(idText(kStranger));
    bridge.start();
    directory->discovered.insert(kStranger, recordOf(kStranger));
    hub->send(SendConnectionRequestCommand(kStranger, QStringLiteral("K7Q2ZX")));
    ASSERT_TRUE(sentCount(1));

    EXPECT_TRUE(receive(frameOf(kStranger, QStringLiteral("ping_request"), ping)).isEmpty());
    EXPECT_FALSE(logs->contains(LogLevel::Warning, rejection));
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Info, QStringLiteral("Holding the ping request Mac ") + idText(kStranger)));

    // The answer was a refusal: no link, and the next ping is a stranger's again.
    EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request_rejected"), answer)),
              QStringList{QStringLiteral("rejected %1").arg(idText(kStranger))});
    EXPECT_TRUE(receive(frameOf(kStranger, QStringLiteral("ping_request"), ping)).isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Warning, rejection));
}

TEST_F(BridgeFixture, TheListenerTrustsOnlyTheAddressesOfLinkedDiscoveredComputers)
{
    const auto predicate = listener->isTrustedAddress;
    ASSERT_TRUE(predicate);
    directory->discovered.insert(kStranger,
                                 DiscoverableMac(kStranger, QStringLiteral("Forged"), QStringLiteral("1.0"),
                                                 PeerEndpoint::hostPort(QStringLiteral("127.0.0.3"), 5000), QString(),
                                                 std::nullopt, kNow));
    EXPECT_TRUE(predicate(kPeerAddress));
    EXPECT_TRUE(predicate(QHostAddress(QStringLiteral("::ffff:127.0.0.2"))));
    EXPECT_FALSE(predicate(QHostAddress(QStringLiteral("127.0.0.3"))));
    EXPECT_FALSE(predicate(QHostAddress(QStringLiteral("127.0.0.9"))));
    directory->linked.remove(kPeer);
    EXPECT_FALSE(predicate(kPeerAddress));

    // A bridge that goes takes its predicate with it.
    auto other = std::make_shared<test::FakeFrameListener>();
    std::make_unique<NetworkBridge>(hub, sender, other, directory, identity, NetworkBridge::Configuration{}, logs,
                                    clock)
        .reset();
    EXPECT_FALSE(other->isTrustedAddress);
}

TEST_F(BridgeFixture, FramesForAnotherComputerOrFromAnotherAddressAreDropped)
{
    bridge.start();
    const QByteArray ping = R"({"recipientMacId":"C0000000-0000-4000-8000-000000000003"})";
    EXPECT_TRUE(receive(frameOf(kPeer, QStringLiteral("ping_request"), ping, kPeerAddress, kStranger)).isEmpty());
    EXPECT_TRUE(logs->containsSubstring(
        LogLevel::Warning,
        QStringLiteral("Dropping frame addressed to Mac %1, not to this computer").arg(idText(kStranger))));

    EXPECT_TRUE(receive(frameOf(kPeer, QStringLiteral("ping_request"), ping, QHostAddress(QStringLiteral("127.0.0.7"))))
                    .isEmpty());
    EXPECT_TRUE(logs->containsSubstring(
        LogLevel::Warning,
        QStringLiteral("Rejecting frame from Mac %1: source address 127.0.0.7 is not an address it was discovered at")
            .arg(idText(kPeer))));

    // The same peer from its own address, seen through an IPv4-mapped IPv6 socket.
    EXPECT_EQ(
        receive(frameOf(kPeer, QStringLiteral("ping_request"), ping, QHostAddress(QStringLiteral("::ffff:127.0.0.2"))))
            .size(),
        1);
}

TEST_F(BridgeFixture, TypesAreMatchedExactlyAndPayloadsMustDecode)
{
    bridge.start();
    EXPECT_TRUE(receive(frameOf(kPeer, QStringLiteral("Ping_Request"), "{}")).isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Debug, QStringLiteral("Received frame with unknown type: Ping_Request")));
    EXPECT_TRUE(receive(frameOf(kPeer, QStringLiteral("bad\ntype"), "{}")).isEmpty());
    EXPECT_TRUE(logs->contains(LogLevel::Debug, QStringLiteral("Received frame with unknown type: bad\\ntype")));

    EXPECT_TRUE(receive(frameOf(kStranger, QStringLiteral("connection_request"),
                                R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001"})"))
                    .isEmpty());
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning,
                                        QStringLiteral("Failed to decode connection_request: Failed to "
                                                       "decode envelope: ")));
}

TEST_F(BridgeFixture, DescriptorAddressesAreCanonicalised)
{
    bridge.start();
    EXPECT_EQ(receive(frameOf(kPeer, QStringLiteral("devices_ready_for_pairing"),
                              R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001",)"
                              R"("transactionId":"7D0F3C52-9A1E-4B7C-8E21-5F6A0B1C2D3E",)"
                              R"("deviceDescriptors":[{"macAddress":"AA-BB-CC-DD-EE-01",)"
                              R"("telemetryDeviceId":"6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B","deviceVendorID":1452},)"
                              R"({"macAddress":"aa:bb:cc:dd:ee:02","telemetryDeviceId":)"
                              R"("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5c"}]})")),
              QStringList{
                  QStringLiteral("ready %1 7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3e [aa:bb:cc:dd:ee:01,aa:bb:cc:dd:ee:02]")
                      .arg(idText(kPeer))});
}

TEST_F(BridgeFixture, PeerValuesAreCheckedBeforeUse)
{
    bridge.start();
    const auto ping = [](const QByteArray &fields) {
        return QByteArray(R"({"recipientMacId":"C0000000-0000-4000-8000-000000000001",)") + fields + '}';
    };
    EXPECT_EQ(receive(frameOf(
                  kPeer, QStringLiteral("ping_request"),
                  ping(R"("ownedDeviceMacAddresses":["AA:BB:CC:DD:EE:FF"],"advertisedName":"Desk\n\u001b[31m")"))),
              QStringList{QStringLiteral("ping %1 [aa:bb:cc:dd:ee:ff] Desk[31m").arg(idText(kPeer))});

    EXPECT_TRUE(
        receive(frameOf(kPeer, QStringLiteral("ping_response"), ping(R"("ownedDeviceMacAddresses":["x"])"))).isEmpty());
    EXPECT_TRUE(logs->containsSubstring(
        LogLevel::Warning,
        QStringLiteral("Dropping ping_response from Mac %1: invalid MAC address \"x\"").arg(idText(kPeer))));

    QByteArray many = R"("ownedDeviceMacAddresses":[)";
    for (int i = 0; i < 101; ++i) {
        many += QByteArray(i ? "," : "") + "\"aa:bb:cc:dd:ee:ff\"";
    }
    EXPECT_TRUE(receive(frameOf(kPeer, QStringLiteral("ping_request"), ping(many + ']'))).isEmpty());
    EXPECT_TRUE(logs->containsSubstring(LogLevel::Warning, QStringLiteral("holds 101 entries (at most 100)")));

    EXPECT_TRUE(receive(frameOf(kPeer, QStringLiteral("devices_ready_for_pairing"),
                                ping(R"("transactionId":"7d0f3c52-9a1e-4b7c-8e21-5f6a0b1c2d3e",)"
                                     R"("deviceDescriptors":[{"macAddress":"aa:bb:cc:dd:ee:ff",)"
                                     R"("telemetryDeviceId":"not-a-uuid"}])")))
                    .isEmpty());
    EXPECT_TRUE(
        logs->containsSubstring(LogLevel::Warning, QStringLiteral("telemetry device id \"not-a-uuid\" is not a UUID")));

    EXPECT_TRUE(
        receive(frameOf(kPeer, QStringLiteral("transfer_to_requester"), ping(R"("transactionId":"6f1c\u202e\u0007x")")))
            .isEmpty());
    EXPECT_TRUE(logs->containsSubstring(
        LogLevel::Warning,
        QStringLiteral(
            "Dropping transfer_to_requester from Mac %1: transaction id \"6f1c\\u202E\\u0007x\" is not a UUID")
            .arg(idText(kPeer))));

    EXPECT_EQ(receive(frameOf(kStranger, QStringLiteral("connection_request"), ping(R"("securityCode":"K7\tQ2\rZX")"))),
              QStringList{QStringLiteral("request %1 K7Q2ZX").arg(idText(kStranger))});
}
