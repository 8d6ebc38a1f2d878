// One ping request from hub A to hub B over loopback (bridge, envelope, frame sender, listener, gate and
// hub delivery on both sides) beside a bare TCP connect, write, close and read of one frame that
// carries the same ping, encoded into an envelope before sending and decoded after reading: the
// difference is what the peer transport adds to one short connection. Then a linked computer's ping
// and its answer, with and without a flood of connections from 16 other addresses at the answering
// computer's listener: the median and 99th percentile of the round trips.
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/SystemClock.h"
#include "peer/NetworkBridge.h"
#include "peer/tcp/EphemeralFrameListener.h"
#include "peer/tcp/EphemeralFrameSender.h"
#include "peer/wire/EventEnvelopeCodec.h"

#include "support/Flooder.h"
#include "support/fakes/FakeMacIdentifier.h"
#include "support/fakes/FakePeerDirectory.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <vector>

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

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// Argument 1: sixteen addresses (127.0.0.2 to .17) hold nine connections each at B's listener, each
// sending a frame length and then nothing, and reopen every one it cuts; from another thread, as
// another computer would. That is three times the room strangers get, so B makes room all the time.
void BM_PingRoundTripDuringAFlood(benchmark::State &state)
{
    Node a(QUuid::createUuid());
    Node b(QUuid::createUuid());
    a.knows(b);
    b.knows(a);
    const QUuid recipient = b.identity->currentMacId();
    QObject::connect(b.hub.get(), &PeerCommunicationHub::receivedPingRequests, b.hub.get(),
                     [&b](const PingRequestReceivedEvent &event) {
                         b.hub->send(SendPingResponseCommand(event.senderMacId, {}, QStringLiteral("Studio")));
                     });
    QEventLoop loop;
    QObject::connect(a.hub.get(), &PeerCommunicationHub::receivedPingResponses, &loop, &QEventLoop::quit);
    std::optional<test::FloodingThread> flood;
    if (state.range(0) != 0) {
        flood.emplace(b.listener->port(), QByteArray::fromHex("00003000"), 16, 9);
        // A second for the flood to take every place strangers may have.
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    std::vector<double> microseconds;
    int lost = 0;
    QTimer guard;
    guard.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        timedOut = false;
        guard.start(5000);
        a.hub->send(SendPingCommand(recipient, {QStringLiteral("a4:83:e7:11:22:33")}, QStringLiteral("Desk")));
        loop.exec();
        guard.stop();
        const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1000.0;
        state.SetIterationTime(elapsed / 1e6);
        if (timedOut) {
            ++lost;
        } else {
            microseconds.push_back(elapsed);
        }
        a.directory->eligibilityQuestions.clear();
        b.directory->eligibilityQuestions.clear();
    }
    state.counters["p50_us"] = percentile(microseconds, 0.50);
    state.counters["p99_us"] = percentile(microseconds, 0.99);
    state.counters["lost"] = lost;
}
BENCHMARK(BM_PingRoundTripDuringAFlood)
    ->ArgName("flood")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
