#include "PeerInputHarness.h"

#include "FuzzApplication.h"
#include "FuzzDeliveredEvents.h"

#include "peer/NetworkBridge.h"
#include "peer/PeerCommunicationHub.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "support/ManualClock.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"
#include "support/fakes/RecordingFrameSender.h"
#include "support/fakes/RecordingLoggerFactory.h"

#include <QCoreApplication>

namespace verandel::fuzz {

namespace {

const QHostAddress kPeerAddress(QHostAddress::LocalHost);
// The same peer as a dual-stack listener sees it.
const QHostAddress kMappedPeerAddress(QStringLiteral("::ffff:127.0.0.1"));

// What the directory holds of a sender, by the last byte of its id modulo 4, so that the fuzzer reaches
// every answer of the gate as easily as delivery.
enum class Sender { Unknown, DiscoveredNotLinked, LinkedHere, LinkedElsewhere };

Sender senderKind(const QUuid &macId)
{
    return static_cast<Sender>(macId.data4[7] % 4);
}

std::optional<DiscoverableMac> discoveredRecord(const QUuid &macId)
{
    const Sender kind = senderKind(macId);
    if (kind == Sender::Unknown) {
        return std::nullopt;
    }
    const QString host = kind == Sender::LinkedElsewhere ? QStringLiteral("192.0.2.1") : kPeerAddress.toString();
    return test::FakeMacIdentifier(macId, QStringLiteral("Peer"))
        .makeDiscoveredMac(std::nullopt)
        .withEndpoint(PeerEndpoint::hostPort(host, 5000));
}

struct Harness
{
    Harness()
    {
        directory->discoveredRule = discoveredRecord;
        directory->linkedRule = [](const QUuid &macId) { return senderKind(macId) != Sender::DiscoveredNotLinked; };
        bridge.start();
    }

    std::shared_ptr<test::RecordingLoggerFactory> logs
        = std::make_shared<test::RecordingLoggerFactory>(test::RecordingLoggerFactory::Keeping::Nothing);
    std::shared_ptr<test::ManualClock> clock = std::make_shared<test::ManualClock>();
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    // Never started: the fuzz input arrives as the stream of a connection, not through a socket.
    std::shared_ptr<EphemeralFrameListener> listener
        = std::make_shared<EphemeralFrameListener>(logs, clock, nullptr, nullptr, QHostAddress::LocalHost);
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
    NetworkBridge bridge{hub,
                         std::make_shared<test::RecordingFrameSender>(false),
                         listener,
                         directory,
                         std::make_shared<test::FakeMacIdentifier>(QUuid::fromString(QLatin1String(kLocalMacId))),
                         NetworkBridge::Configuration{10.0},
                         logs,
                         clock};
    DeliveredEventChecks delivered{*hub};
};

Harness &harness()
{
    ensureApplication();
    static Harness instance;
    return instance;
}

} // namespace

int feedPeerInput(const std::uint8_t *data, std::size_t size)
{
    Harness &h = harness();
    h.delivered.reset();
    h.directory->eligibilityQuestions.clear();
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    h.listener->receiveStream(bytes, kPeerAddress);
    h.listener->receiveStream(EphemeralFrameSender::frame(bytes), kMappedPeerAddress);
    // Delivers (and so frees) whatever the bridge handed to the hub.
    QCoreApplication::processEvents();
    return h.delivered.count();
}

int feedPeerPayload(const std::uint8_t *data, std::size_t size)
{
    static const char *const types[] = {"ping_request",
                                        "ping_response",
                                        "transfer_to_requester",
                                        "devices_ready_for_pairing",
                                        "connection_request",
                                        "connection_request_accepted",
                                        "connection_request_rejected"};
    if (size == 0) {
        return 0;
    }
    Harness &h = harness();
    h.delivered.reset();
    const QByteArray payload(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    // A linked sender at the address the input comes from: only the payload can be refused.
    const QByteArray envelope
        = QByteArrayLiteral("{\"id\":\"F0000000-0000-4000-8000-0000000000AA\","
                            "\"senderMacId\":\"F0000000-0000-4000-8000-000000000002\",\"recipientMacId\":\"")
        + kLocalMacId + QByteArrayLiteral("\",\"type\":\"") + types[data[0] % std::size(types)]
        + QByteArrayLiteral("\",\"createdAt\":800000000.5,\"payload\":\"") + payload.toBase64()
        + QByteArrayLiteral("\"}");
    h.listener->receiveStream(EphemeralFrameSender::frame(envelope), kPeerAddress);
    QCoreApplication::processEvents();
    return h.delivered.count();
}

} // namespace verandel::fuzz
