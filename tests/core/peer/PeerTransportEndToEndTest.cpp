#include "foundation/SystemClock.h"
#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "support/RunTask.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/FakeServiceAdvertiser.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <gtest/gtest.h>

using namespace verandel;

namespace {

const QUuid kMacA = QUuid::fromString(QStringLiteral("d0000000-0000-4000-8000-00000000000a"));
const QUuid kMacB = QUuid::fromString(QStringLiteral("d0000000-0000-4000-8000-00000000000b"));
// Upper case: the initialisers lower-case it before it travels.
const QString kSentTransaction = QStringLiteral("7D0F3C52-9A1E-4B7C-8E21-5F6A0B1C2D3E");

// One computer: hub, sender, listener on 127.0.0.1, directory and bridge.
struct Node
{
    Node(QUuid id, const std::shared_ptr<test::RecordingLoggerFactory> &logs)
        : identity(std::make_shared<test::FakeMacIdentifier>(id))
        , hub(std::make_shared<PeerCommunicationHub>(logs))
        , listener(std::make_shared<EphemeralFrameListener>(
              logs, clock, std::make_shared<test::FakeServiceAdvertiser>(), nullptr, QHostAddress::LocalHost))
        , bridge(hub, std::make_shared<EphemeralFrameSender>(logs, clock, 5.0), listener, directory, identity,
                 NetworkBridge::Configuration{10.0}, logs, clock)
    {
        listener->start(identity->makeDiscoveredMac(std::nullopt));
        bridge.start();
    }

    // Discovered at its listener's loopback port and linked.
    void knows(const Node &other)
    {
        const DiscoverableMac record
            = other.identity->makeDiscoveredMac(std::nullopt)
                  .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), other.listener->port()));
        directory->discovered.insert(record.id(), record);
        directory->linked.insert(record.id());
    }

    std::shared_ptr<SystemClock> clock = std::make_shared<SystemClock>();
    std::shared_ptr<test::FakeMacIdentifier> identity;
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
    std::shared_ptr<PeerCommunicationHub> hub;
    std::shared_ptr<EphemeralFrameListener> listener;
    NetworkBridge bridge;
};

// Keeps the last event of one kind the node's hub delivers.
template <typename Event>
void keepLast(Node &node, void (PeerCommunicationHub::*signal)(const Event &), std::optional<Event> &into)
{
    QObject::connect(node.hub.get(), signal, node.hub.get(), [&into](const Event &event) { into = event; });
}

struct PeerTransportEndToEndTest : ::testing::Test
{
    std::shared_ptr<test::RecordingLoggerFactory> logs = std::make_shared<test::RecordingLoggerFactory>();
    Node a{kMacA, logs};
    Node b{kMacB, logs};
};

} // namespace

TEST_F(PeerTransportEndToEndTest, EverySevenCommandsArriveAsTheirEventsWithTheSendersId)
{
    a.knows(b);
    b.knows(a);

    std::optional<PingRequestReceivedEvent> pingRequest;
    std::optional<PingResponseReceivedEvent> pingResponse;
    std::optional<TransferRequestReceivedEvent> transfer;
    std::optional<DevicesReadyForPairingReceivedEvent> devicesReady;
    std::optional<ConnectionRequestReceivedEvent> connectionRequest;
    std::optional<ConnectionRequestAcceptedEvent> accepted;
    std::optional<ConnectionRequestRejectedEvent> rejected;
    keepLast(b, &PeerCommunicationHub::receivedPingRequests, pingRequest);
    keepLast(b, &PeerCommunicationHub::receivedPingResponses, pingResponse);
    keepLast(b, &PeerCommunicationHub::receivedTransferRequests, transfer);
    keepLast(b, &PeerCommunicationHub::receivedDevicesReadyEvents, devicesReady);
    keepLast(b, &PeerCommunicationHub::receivedConnectionRequests, connectionRequest);
    keepLast(b, &PeerCommunicationHub::receivedConnectionAccepted, accepted);
    keepLast(b, &PeerCommunicationHub::receivedConnectionRejected, rejected);

    const QList<TransferDeviceDescriptor> devices
        = {TransferDeviceDescriptor(QStringLiteral("a4:83:e7:11:22:33"),
                                    QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a01"), 0x05AC, 0x029C, 0x000540),
           TransferDeviceDescriptor(QStringLiteral("a4:83:e7:44:55:66"),
                                    QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a02"), 0x05AC, 0x0265, 0x002580),
           TransferDeviceDescriptor(QStringLiteral("a4:83:e7:77:88:99"),
                                    QStringLiteral("6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a03"), 0x05AC, 0x0269, 0x002580)};
    a.hub->send(SendPingCommand(kMacB, {QStringLiteral("a4:83:e7:11:22:33")}, QStringLiteral("Desk A")));
    a.hub->send(SendPingResponseCommand(kMacB, {}, std::nullopt));
    a.hub->send(SendTransferCommand(kMacB, kSentTransaction));
    a.hub->send(DevicesReadyForPairingCommand(kMacB, kSentTransaction, devices));
    a.hub->send(SendConnectionRequestCommand(kMacB, QStringLiteral("K7Q2ZX")));
    a.hub->send(AcceptConnectionRequestCommand(kMacB));
    a.hub->send(RejectConnectionRequestCommand(kMacB));

    ASSERT_TRUE(test::waitUntil([&] {
        return pingRequest && pingResponse && transfer && devicesReady && connectionRequest && accepted && rejected;
    })) << logs->allMessages().join(u'\n').toStdString();

    EXPECT_EQ(*pingRequest,
              PingRequestReceivedEvent(kMacA, {QStringLiteral("a4:83:e7:11:22:33")}, QStringLiteral("Desk A")));
    EXPECT_EQ(*pingResponse, PingResponseReceivedEvent(kMacA, {}, std::nullopt));
    EXPECT_EQ(*transfer, TransferRequestReceivedEvent(kMacA, kSentTransaction.toLower()));
    EXPECT_EQ(*devicesReady, DevicesReadyForPairingReceivedEvent(kMacA, kSentTransaction.toLower(), devices));
    EXPECT_EQ(*connectionRequest, ConnectionRequestReceivedEvent(kMacA, QStringLiteral("K7Q2ZX")));
    EXPECT_EQ(*accepted, ConnectionRequestAcceptedEvent(kMacA));
    EXPECT_EQ(*rejected, ConnectionRequestRejectedEvent(kMacA));
    EXPECT_TRUE(logs->messages(LogLevel::Warning).isEmpty())
        << logs->messages(LogLevel::Warning).join(u'\n').toStdString();
}

TEST_F(PeerTransportEndToEndTest, AnAnswerTravelsBackOnANewConnection)
{
    a.knows(b);
    b.knows(a);
    // B answers every ping request, as its connection monitor does.
    QObject::connect(b.hub.get(), &PeerCommunicationHub::receivedPingRequests, b.hub.get(),
                     [&](const PingRequestReceivedEvent &e) {
                         b.hub->send(SendPingResponseCommand(e.senderMacId, {}, std::nullopt));
                     });
    std::optional<PingResponseReceivedEvent> answer;
    keepLast(a, &PeerCommunicationHub::receivedPingResponses, answer);

    a.hub->send(SendPingCommand(kMacB, {}, std::nullopt));
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(answer->senderMacId, kMacB);
}

TEST_F(PeerTransportEndToEndTest, UnlinkedSenderIsRejectedOnArrival)
{
    a.knows(b); // B has never linked A.

    a.hub->send(SendPingCommand(kMacB, {}, std::nullopt));
    ASSERT_TRUE(test::waitUntil([&] {
        return logs->contains(LogLevel::Warning,
                              QStringLiteral("Rejecting frame from non-eligible peer: "
                                             "D0000000-0000-4000-8000-00000000000A, type: ping_request"));
    }));
}

TEST_F(PeerTransportEndToEndTest, DevicesReadyAnswersWhetherThePeersListenerTookTheFrame)
{
    a.knows(b);
    b.knows(a);
    const auto devicesReady
        = [&] { return test::runTask(a.hub->send(DevicesReadyForPairingCommand(kMacB, kSentTransaction, {}))); };
    EXPECT_TRUE(devicesReady());
    b.listener->stop();
    EXPECT_FALSE(devicesReady());
}
