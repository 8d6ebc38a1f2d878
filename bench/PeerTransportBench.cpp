// One ping request from hub A to hub B over loopback (bridge, envelope, frame sender, listener, gate and
// hub delivery on both sides) beside a bare TCP connect, write, close and read of one frame that
// carries the same ping, encoded into an envelope before sending and decoded after reading: the
// difference is what the peer transport adds to one short connection.
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/SystemClock.h"
#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>

#include <benchmark/benchmark.h>

using namespace verandel;

namespace {

struct Node
{
    explicit Node(QUuid id)
        : identity(std::make_shared<test::FakeMacIdentifier>(id, QStringLiteral("Bench")))
        , listener(std::make_shared<EphemeralFrameListener>(logs, clock, nullptr, nullptr, QHostAddress::LocalHost))
        , bridge(hub, std::make_shared<EphemeralFrameSender>(logs, clock, 5.0), listener, directory, identity,
                 NetworkBridge::Configuration{10.0}, logs, clock)
    {
        listener->start(identity->makeDiscoveredMac(std::nullopt));
        bridge.start();
    }

    void knows(const Node &other)
    {
        const QUuid id = other.identity->currentMacId();
        directory->discovered.insert(
            id,
            other.identity->makeDiscoveredMac(std::nullopt)
                .withEndpoint(PeerEndpoint::hostPort(QStringLiteral("127.0.0.1"), other.listener->port())));
        directory->linked.insert(id);
    }

    // The program's own loggers, quiet below critical, as in production without a log level.
    std::shared_ptr<DefaultLoggerFactory> logs = std::make_shared<DefaultLoggerFactory>(
        QStringLiteral("com.verandel.Verandel"), false, QHash<QString, LogLevel>{}, LogLevel::Critical);
    std::shared_ptr<SystemClock> clock = std::make_shared<SystemClock>();
    std::shared_ptr<test::FakeMacIdentifier> identity;
    std::shared_ptr<test::FakePeerDirectory> directory = std::make_shared<test::FakePeerDirectory>();
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
        b.directory->eligibilityQuestions.clear();
    }
}
BENCHMARK(BM_HubToHubOverLoopback)->Unit(benchmark::kMicrosecond);

void BM_BareTcpConnectWriteCloseRead(benchmark::State &state)
{
    const QUuid sender = QUuid::createUuid();
    const QUuid recipient = QUuid::createUuid();
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
                const auto envelope = EventEnvelopeCodec::decodeFromData(received->mid(4));
                benchmark::DoNotOptimize(EventEnvelopeCodec::decodePayload<SendPingCommand>(envelope.value()));
                inbound->deleteLater();
                loop.quit();
            });
        }
    });
    for (auto _ : state) {
        const auto envelope = EventEnvelopeCodec::createEnvelope(
            sender, SendPingCommand(recipient, {QStringLiteral("a4:83:e7:11:22:33")}, QStringLiteral("Desk")),
            std::nullopt, QDateTime::currentDateTimeUtc());
        const QByteArray frame = EphemeralFrameSender::frame(EventEnvelopeCodec::encodeToData(envelope).value());
        auto *outbound = new QTcpSocket;
        QObject::connect(outbound, &QAbstractSocket::connected, outbound, [outbound, frame] {
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
