// One ping request from hub A to hub B over loopback (bridge, envelope, frame sender, listener, gate and
// hub delivery on both sides) beside a bare TCP connect, write, close and read of a frame of the same
// size: the difference is what the peer transport adds to one short connection.
#include "foundation/LoggerFactory.h"
#include "foundation/SystemClock.h"
#include "peer/NetworkBridge.h"
#include "peer/PeerDirectoryServiceProtocol.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"
#include "records/MacIdentifierServiceProtocol.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

class QuietLogger final : public LoggerProtocol
{
public:
    void write(LogLevel, const QString &) override { }
};

class QuietLoggerFactory final : public LoggerFactory
{
public:
    using LoggerFactory::createLogger;
    LoggerPtr createLogger(const QString &, std::optional<LogLevel>) override
    {
        return std::make_shared<QuietLogger>();
    }
};

class OnePeerDirectory final : public PeerDirectoryServiceProtocol
{
public:
    std::optional<DiscoverableMac> peer;
    std::optional<DiscoverableMac> discoverableMac(const QUuid &macId) const override
    {
        return peer && peer->id() == macId ? peer : std::nullopt;
    }
    bool isEligible(const QUuid &macId) const override { return peer && peer->id() == macId; }
    QList<QUuid> eligiblePeers() const override { return peer ? QList<QUuid>{peer->id()} : QList<QUuid>{}; }
};

class FixedIdentity final : public MacIdentifierServiceProtocol
{
public:
    explicit FixedIdentity(QUuid id)
        : m_id(id)
    { }
    QUuid currentMacId() const override { return m_id; }
    QString installationId() const override { return QStringLiteral("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"); }
    std::optional<QString> advertisedName() const override { return std::nullopt; }
    DiscoverableMac makeDiscoveredMac(const std::optional<QString> &code) const override
    {
        return DiscoverableMac(m_id, QStringLiteral("Bench"), QStringLiteral("1.0"), std::nullopt, installationId(),
                               code, QDateTime::currentDateTimeUtc());
    }
    void setAdvertisedName(const std::optional<QString> &) override { }

private:
    QUuid m_id;
};

struct Node
{
    explicit Node(QUuid id)
        : identity(std::make_shared<FixedIdentity>(id))
        , listener(std::make_shared<EphemeralFrameListener>(logs, clock, nullptr, nullptr, QHostAddress::LocalHost))
        , bridge(hub, std::make_shared<EphemeralFrameSender>(logs, clock, 5.0), listener, directory, identity,
                 NetworkBridge::Configuration{10.0}, logs, clock)
    {
        listener->start(identity->makeDiscoveredMac(std::nullopt));
        bridge.start();
    }

    void knows(const Node &other)
    {
        directory->peer
            = other.identity->makeDiscoveredMac(std::nullopt)
                  .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), other.listener->port()));
    }

    std::shared_ptr<QuietLoggerFactory> logs = std::make_shared<QuietLoggerFactory>();
    std::shared_ptr<SystemClock> clock = std::make_shared<SystemClock>();
    std::shared_ptr<FixedIdentity> identity;
    std::shared_ptr<OnePeerDirectory> directory = std::make_shared<OnePeerDirectory>();
    std::shared_ptr<PeerCommunicationHub> hub = std::make_shared<PeerCommunicationHub>(logs);
    std::shared_ptr<EphemeralFrameListener> listener;
    NetworkBridge bridge;
};

void BM_HubToHubOverLoopback(benchmark::State &state)
{
    Node a(QUuid::createUuid());
    Node b(QUuid::createUuid());
    a.knows(b);
    b.knows(a);
    QEventLoop loop;
    QObject::connect(b.hub.get(), &PeerCommunicationHub::receivedPingRequests, &loop, &QEventLoop::quit);
    const QUuid recipient = b.identity->currentMacId();
    for (auto _ : state) {
        a.hub->send(SendPingCommand(recipient, {QStringLiteral("a4:83:e7:11:22:33")}, QStringLiteral("Desk")));
        loop.exec();
    }
}
BENCHMARK(BM_HubToHubOverLoopback)->Unit(benchmark::kMicrosecond);

void BM_BareTcpConnectWriteCloseRead(benchmark::State &state)
{
    const QByteArray frame = EphemeralFrameSender::frame(
        EventEnvelopeCodec::encodeToData(EventEnvelopeCodec::createPingRequest(QUuid::createUuid(), QUuid::createUuid(),
                                                                               QDateTime::currentDateTimeUtc()))
            .value());
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QEventLoop loop;
    QObject::connect(&server, &QTcpServer::newConnection, &loop, [&] {
        while (QTcpSocket *inbound = server.nextPendingConnection()) {
            auto received = std::make_shared<QByteArray>();
            QObject::connect(inbound, &QIODevice::readyRead, inbound,
                             [inbound, received] { *received += inbound->readAll(); });
            QObject::connect(inbound, &QAbstractSocket::disconnected, inbound, [&, inbound, received] {
                *received += inbound->readAll();
                benchmark::DoNotOptimize(received->size());
                inbound->deleteLater();
                loop.quit();
            });
        }
    });
    for (auto _ : state) {
        auto *outbound = new QTcpSocket;
        QObject::connect(outbound, &QAbstractSocket::connected, outbound, [outbound, &frame] {
            outbound->write(frame);
            outbound->disconnectFromHost();
        });
        QObject::connect(outbound, &QAbstractSocket::disconnected, outbound, &QObject::deleteLater);
        outbound->connectToHost(QHostAddress::LocalHost, server.serverPort());
        loop.exec();
    }
}
BENCHMARK(BM_BareTcpConnectWriteCloseRead)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
