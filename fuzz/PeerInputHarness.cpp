#include "PeerInputHarness.h"

#include "foundation/LoggerFactory.h"
#include "foundation/SystemClock.h"
#include "peer/NetworkBridge.h"
#include "peer/PeerCommunicationHub.h"
#include "peer/PeerDirectoryServiceProtocol.h"
#include "peer/tcp/FrameListenerProtocol.h"
#include "peer/tcp/FrameSenderProtocol.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "peer/wire/FrameReader.h"
#include "records/MacIdentifierServiceProtocol.h"

#include <QCoreApplication>

namespace verandel::fuzz {

namespace {

class SilentLogger final : public LoggerProtocol
{
public:
    void write(LogLevel, const QString &) override { }
};

class SilentLoggerFactory final : public LoggerFactory
{
public:
    using LoggerFactory::createLogger;
    LoggerPtr createLogger(const QString &, std::optional<LogLevel>) override
    {
        return std::make_shared<SilentLogger>();
    }
};

const QHostAddress kPeerAddress(QHostAddress::LocalHost);

class EveryoneIsLinked final : public PeerDirectoryServiceProtocol
{
public:
    std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const override
    {
        return DiscoverableMac(macId, QStringLiteral("Peer"), QStringLiteral("1.0"),
                               PeerEndpoint::hostPort(kPeerAddress.toString(), 5000),
                               QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), std::nullopt,
                               QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    }
    bool isEligible(const QUuid &) const override { return true; }
    QList<QUuid> eligiblePeers() const override { return {}; }
};

class FixedIdentity final : public MacIdentifierServiceProtocol
{
public:
    QUuid currentMacId() const override { return QUuid::fromString(QLatin1String(kLocalMacId)); }
    QString installationId() const override { return QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"); }
    std::optional<QString> advertisedName() const override { return std::nullopt; }
    DiscoverableMac makeDiscoveredMac(const std::optional<QString> &securityCode) const override
    {
        return DiscoverableMac(currentMacId(), QStringLiteral("Fuzz"), QStringLiteral("1.0"), std::nullopt,
                               installationId(), securityCode, QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    }
    void setAdvertisedName(const std::optional<QString> &) override { }
};

class InjectedFrames final : public FrameListenerProtocol
{
public:
    void start(const DiscoverableMac &) override { }
    void alterAdvertisedMac(const DiscoverableMac &) override { }
    void stop() override { }
    bool isRunning() const override { return true; }
    void publish(const ReceivedFrame &frame) { Q_EMIT receivedFrames(frame); }
};

class NoSender final : public FrameSenderProtocol
{
public:
    QCoro::Task<bool> send(RawEventEnvelope, DiscoverableMac) override { co_return false; }
};

struct Harness
{
    Harness()
    {
        bridge.start();
        PeerCommunicationHub *h = hub.get();
        const auto count = [this] { ++delivered; };
        QObject::connect(h, &PeerCommunicationHub::receivedPingRequests, h, count);
        QObject::connect(h, &PeerCommunicationHub::receivedPingResponses, h, count);
        QObject::connect(h, &PeerCommunicationHub::receivedTransferRequests, h, count);
        QObject::connect(h, &PeerCommunicationHub::receivedDevicesReadyEvents, h, count);
        QObject::connect(h, &PeerCommunicationHub::receivedConnectionRequests, h, count);
        QObject::connect(h, &PeerCommunicationHub::receivedConnectionAccepted, h, count);
        QObject::connect(h, &PeerCommunicationHub::receivedConnectionRejected, h, count);
    }

    int delivered = 0;

    std::shared_ptr<SilentLoggerFactory> logs = std::make_shared<SilentLoggerFactory>();
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<InjectedFrames> listener = std::make_shared<InjectedFrames>();
    NetworkBridge bridge{hub,
                         std::make_shared<NoSender>(),
                         listener,
                         std::make_shared<EveryoneIsLinked>(),
                         std::make_shared<FixedIdentity>(),
                         NetworkBridge::Configuration{10.0},
                         logs,
                         std::make_shared<SystemClock>()};
};

void ensureApplication()
{
    if (QCoreApplication::instance()) {
        return;
    }
    static int argc = 1;
    static char name[] = "verandel_fuzz";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

Harness &harness()
{
    ensureApplication();
    static Harness instance;
    return instance;
}

void demultiplex(Harness &h, const QByteArray &envelopeJson)
{
    // The listener publishes only frames whose envelope decodes; the bridge decodes again itself.
    const EnvelopeResult<RawEventEnvelope> envelope = EventEnvelopeCodec::decodeFromData(envelopeJson);
    if (envelope) {
        h.listener->publish(ReceivedFrame{envelope->senderMacId, envelopeJson, kPeerAddress});
    }
}

} // namespace

int feedPeerInput(const std::uint8_t *data, std::size_t size)
{
    Harness &h = harness();
    h.delivered = 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const FrameReader::Result frame = FrameReader::read(bytes);
    if (frame.problem == FrameReader::Problem::None) {
        demultiplex(h, frame.envelopeJson);
    }
    demultiplex(h, bytes);
    // Delivers (and so frees) whatever the bridge handed to the hub.
    QCoreApplication::processEvents();
    return h.delivered;
}

} // namespace verandel::fuzz
